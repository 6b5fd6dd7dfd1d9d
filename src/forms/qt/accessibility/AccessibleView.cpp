// SPDX-License-Identifier: MIT
#include "forms/qt/accessibility/AccessibleView.h"

#include "forms/ControlArray.h"
#include "forms/Window.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/WindowView.h"
#include "forms/qt/accessibility/AccessibleCanvas.h"
#include "forms/qt/accessibility/AccessibleDrawnControl.h"
#include "forms/qt/controls/ControlBinding.h"

#include <QComboBox>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <utility>

namespace forms::qt {

namespace {

AccessibleView::EventSink eventSink = nullptr;

std::int64_t steadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

AccessibleView::Clock noticeClock = steadyMilliseconds;

std::unordered_map<const QWidget*, AccessibleView*>& views()
{
    static std::unordered_map<const QWidget*, AccessibleView*> map;
    return map;
}

// A control the canvas draws that readers are told of: lines only draw the boxes' outlines and
// say nothing a reader needs.
bool isDrawnAndNamed(const forms::Control& control)
{
    const ControlBinding& binding = ControlBinding::of(control);
    return binding.isDrawn() && binding.drawnRole() != QAccessible::NoRole;
}

QString defaultName(const forms::Control& control)
{
    return ControlBinding::of(control).accessibleName(control);
}

}

AccessibleView::AccessibleView(WindowView& view, Canvas& canvas)
    : m_view(view)
    , m_canvas(canvas)
    , m_window(view.window())
    , m_notices(
          kNoticeGapMs, [] { return noticeClock(); },
          [this](std::int64_t delay) { m_noticeTimer.start(static_cast<int>(delay)); },
          [this](AnnouncementThrottle::Source source) {
              if (source == this)
                  sendStructureEvents();
              else
                  announceCaption(*static_cast<const forms::Control*>(source));
          })
{
    AccessibleCanvas::installFactory();
    views()[&canvas] = this;
    m_noticeTimer.setSingleShot(true);
    m_noticeTimer.callOnTimeout([this] { m_notices.flushDue(); });
}

AccessibleView::~AccessibleView()
{
    detach();
    views().erase(&m_canvas);
}

AccessibleView::Clock AccessibleView::setClock(Clock newClock)
{
    return std::exchange(noticeClock, newClock ? newClock : steadyMilliseconds);
}

AccessibleView::EventSink AccessibleView::setEventSink(EventSink sink)
{
    return std::exchange(eventSink, sink);
}

void AccessibleView::send(QAccessibleEvent& event)
{
    if (eventSink)
        eventSink(&event);
    else
        QAccessible::updateAccessibility(&event);
}

AccessibleView* AccessibleView::of(const QWidget* canvas)
{
    auto it = views().find(canvas);
    return it == views().end() ? nullptr : it->second;
}

void AccessibleView::detach()
{
    m_window = nullptr;
    m_noticeTimer.stop();
    m_notices.clear();
    m_shownOrHidden.clear();
    m_children.clear();
    m_indexOf.clear();
    // The controls die with the window; so do the interfaces that speak for them.
    for (const auto& [control, id] : m_items)
        QAccessible::deleteAccessibleInterface(id);
    m_items.clear();
}

void AccessibleView::controlChanged(forms::Control& control, forms::Property property)
{
    if (!m_window)
        return;
    if (property == forms::Property::Visible) {
        m_dirty = true;
        if (isDrawnAndNamed(control))
            structureChanged(control);
        return;
    }
    if (property != forms::Property::Caption)
        return;
    if (ControlBinding::of(control).isDrawn()) {
        // Only a label a client has seen is worth a notice, and one rewritten every
        // millisecond is announced a few times a second.
        if (existingItem(control))
            m_notices.changed(&control);
    } else if (QWidget* widget = m_view.widgetFor(control)) {
        nameWidget(control, *widget);
    }
}

void AccessibleView::controlAdded(forms::Control&)
{
    m_dirty = true;
}

void AccessibleView::controlRemoved(forms::Control& control)
{
    m_dirty = true;
    m_notices.forget(&control);
    std::erase(m_shownOrHidden, &control);
    auto it = m_items.find(&control);
    if (it == m_items.end())
        return;
    QAccessibleEvent gone(QAccessible::accessibleInterface(it->second), QAccessible::ObjectDestroyed);
    send(gone);
    QAccessible::deleteAccessibleInterface(it->second);
    m_items.erase(it);
}

void AccessibleView::widgetCreated(forms::Control& control, QWidget& widget)
{
    m_dirty = true;
    nameWidget(control, widget);
}

void AccessibleView::widgetsChanged()
{
    m_dirty = true;
}

void AccessibleView::nameWidget(forms::Control& control, QWidget& widget) const
{
    if (!m_window)
        return;
    const forms::AccessibleText words = m_window->accessibleText(control);
    const QString name = words.name.empty() ? defaultName(control) : QString::fromStdString(words.name);
    QString description = QString::fromStdString(words.description);
    // On this desktop a combo box is named by its current text, as its toolkit has it; what
    // the box is for goes into its description.
    if (description.isEmpty() && qobject_cast<QComboBox*>(&widget))
        description = name;
    if (widget.accessibleName() != name)
        widget.setAccessibleName(name);
    if (widget.accessibleDescription() != description)
        widget.setAccessibleDescription(description);
}

void AccessibleView::rebuild()
{
    m_dirty = false;
    m_children.clear();
    m_indexOf.clear();
    if (!m_window)
        return;
    auto consider = [this](forms::Control* control) {
        if (!control || !control->visible())
            return;
        const int index = static_cast<int>(m_children.size());
        if (isDrawnAndNamed(*control)) {
            m_indexOf.emplace(control, index);
            m_children.push_back(control);
        } else if (QWidget* widget = control->isWindowed() ? m_view.widgetFor(*control) : nullptr) {
            m_indexOf.emplace(static_cast<const QObject*>(widget), index);
            m_children.push_back(control);
        }
    };
    // The order the canvas draws in: design-time controls, then the loaded array elements.
    for (forms::Control* control : m_window->controls())
        consider(control);
    for (const forms::ControlArrayBase* array : m_window->arrays()) {
        for (int i = 1; i < array->size(); ++i)
            consider(array->at(i));
    }
}

int AccessibleView::childCount()
{
    if (m_dirty)
        rebuild();
    return static_cast<int>(m_children.size());
}

QAccessibleInterface* AccessibleView::child(int index)
{
    if (index < 0 || index >= childCount())
        return nullptr;
    return interfaceOf(*m_children[static_cast<std::size_t>(index)]);
}

int AccessibleView::indexOfChild(const QAccessibleInterface* child)
{
    if (!child)
        return -1;
    if (m_dirty)
        rebuild();
    const void* key = child->object();
    if (const auto* drawn = dynamic_cast<const AccessibleDrawnControl*>(child))
        key = &drawn->control();
    auto it = m_indexOf.find(key);
    return it == m_indexOf.end() ? -1 : it->second;
}

QAccessibleInterface* AccessibleView::childAt(int x, int y)
{
    const QPoint at(x, y);
    // The topmost first: later children are drawn over earlier ones, widgets over everything.
    for (int i = childCount(); i-- > 0;) {
        forms::Control& control = *m_children[static_cast<std::size_t>(i)];
        if (control.isWindowed() && screenRect(control).contains(at))
            return interfaceOf(control);
    }
    for (int i = childCount(); i-- > 0;) {
        forms::Control& control = *m_children[static_cast<std::size_t>(i)];
        if (!control.isWindowed() && screenRect(control).contains(at))
            return interfaceOf(control);
    }
    return nullptr;
}

QAccessibleInterface* AccessibleView::existingItem(const forms::Control& control) const
{
    auto it = m_items.find(&control);
    return it == m_items.end() ? nullptr : QAccessible::accessibleInterface(it->second);
}

QAccessibleInterface* AccessibleView::interfaceOf(forms::Control& control)
{
    if (control.isWindowed()) {
        QWidget* widget = m_view.widgetFor(control);
        return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    }
    if (QAccessibleInterface* existing = existingItem(control))
        return existing;
    auto* item = new AccessibleDrawnControl(*this, control);
    m_items.emplace(&control, QAccessible::registerAccessibleInterface(item));
    return item;
}

QString AccessibleView::name(const forms::Control& control) const
{
    if (!m_window)
        return {};
    const forms::AccessibleText words = m_window->accessibleText(control);
    return words.name.empty() ? defaultName(control) : QString::fromStdString(words.name);
}

QString AccessibleView::description(const forms::Control& control) const
{
    if (!m_window)
        return {};
    return QString::fromStdString(m_window->accessibleText(control).description);
}

QRect AccessibleView::screenRect(const forms::Control& control) const
{
    if (control.isWindowed()) {
        const QWidget* widget = m_view.widgetFor(control);
        return widget ? QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()) : QRect();
    }
    const QRect local = ControlBinding::of(control).bounds(m_canvas, control);
    return local.translated(m_canvas.mapToGlobal(QPoint(0, 0)));
}

QAccessibleInterface* AccessibleView::canvasInterface() const
{
    return QAccessible::queryAccessibleInterface(&m_canvas);
}

QWindow* AccessibleView::windowHandle() const
{
    return m_canvas.window()->windowHandle();
}

void AccessibleView::announceCaption(const forms::Control& control)
{
    QAccessibleInterface* item = existingItem(control);
    if (!item)
        return;
    QAccessibleEvent event(item, QAccessible::NameChanged);
    send(event);
}

void AccessibleView::structureChanged(forms::Control& control)
{
    // No client has looked at the drawn controls yet, so none needs telling.
    if (m_items.empty())
        return;
    if (m_items.count(&control) != 0)
        m_shownOrHidden.push_back(&control);
    if (m_structureNoticePending)
        return;
    // A view switch or a playback tick changes many controls in one handler; clients hear of
    // it once, after the handler.
    m_structureNoticePending = true;
    QTimer::singleShot(0, &m_canvas, [this] {
        m_structureNoticePending = false;
        m_notices.changed(this);
    });
}

void AccessibleView::sendStructureEvents()
{
    std::vector<forms::Control*> changed;
    changed.swap(m_shownOrHidden);
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    if (!m_window)
        return;
    for (forms::Control* control : changed) {
        QAccessibleInterface* item = existingItem(*control);
        if (!item)
            continue;
        QAccessibleEvent event(item, control->visible() ? QAccessible::ObjectShow : QAccessible::ObjectHide);
        send(event);
    }
    QAccessibleEvent reorder(canvasInterface(), QAccessible::ObjectReorder);
    send(reorder);
}

}
