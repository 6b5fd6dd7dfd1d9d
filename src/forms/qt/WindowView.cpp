// SPDX-License-Identifier: MIT
#include "forms/qt/WindowView.h"

#include "forms/Application.h"
#include "forms/CommandButton.h"
#include "forms/ControlArray.h"
#include "forms/MenuItem.h"
#include "forms/Window.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/Twips.h"
#include "forms/qt/accessibility/AccessibleView.h"
#include "forms/qt/controls/ControlBinding.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QUrl>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace forms::qt {

namespace {

template<typename F>
void forEachControl(const forms::Window& window, F&& f)
{
    for (forms::Control* c : window.controls())
        f(*c);
    for (const forms::ControlArrayBase* array : window.arrays()) {
        for (int i = 1; i < array->size(); ++i) {
            if (forms::Control* c = array->at(i))
                f(*c);
        }
    }
}

}

WindowView::WindowView(forms::Window& window)
    : m_window(&window)
    , m_canvas(new Canvas(window, this))
    , m_accessible(std::make_unique<AccessibleView>(*this, *m_canvas))
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCentralWidget(m_canvas);
    setWindowTitle(QString::fromStdString(window.caption()));
    if (!window.iconName().empty())
        setWindowIcon(QIcon(QString::fromStdString(window.iconName())));
    buildMenus();
    applyFrame();
    // Files dragged from another program are offered to the model, which decides what to do.
    setAcceptDrops(window.acceptsDrops());
    window.setObserver(this);
    m_canvas->installEventFilter(this);
    reconcile();
}

bool WindowView::eventFilter(QObject* watched, QEvent* event)
{
    // The canvas takes no focus, so a click on it would leave a menu bar that the keyboard
    // reached (Alt+F, then the arrows) highlighted and holding the keys. The click leaves the
    // menu bar as Escape does, which gives the keys back to where they were before.
    if (watched == m_canvas && event->type() == QEvent::MouseButtonPress && menuWidget() && menuWidget()->hasFocus()) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(menuWidget(), &escape);
        if (menuWidget()->hasFocus())
            setFocus(Qt::MouseFocusReason);
    }
    return QMainWindow::eventFilter(watched, event);
}

WindowView::~WindowView()
{
    if (m_window)
        m_window->setObserver(nullptr);
}

void WindowView::detach()
{
    if (!m_window)
        return;
    m_window->setObserver(nullptr);
    m_window = nullptr;
    m_canvas->detach();
    m_accessible->detach();
    // Widgets hold references to controls that die with the window.
    for (auto& [control, widget] : m_widgets)
        delete widget;
    m_widgets.clear();
    for (auto& [item, action] : m_actions)
        action->disconnect();
    hide();
    deleteLater();
}

void WindowView::applyFrame()
{
    Qt::WindowFlags flags = Qt::Window;
    switch (m_window->frame()) {
    case forms::Frame::Sizable:
        break;
    case forms::Frame::FixedDialog:
        // No minimize or maximize hint. Openbox shows its minimize button all the same: see
        // changeEvent for the way back.
        flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case forms::Frame::None:
        flags |= Qt::FramelessWindowHint;
        break;
    }
    // Tool windows stay out of the taskbar.
    if (!m_window->showInTaskbar())
        flags = (flags & ~Qt::WindowType_Mask) | Qt::Tool;
    setWindowFlags(flags);

    resize(designSize());
    if (m_window->frame() != forms::Frame::Sizable)
        setFixedSize(size());
}

void WindowView::buildMenus()
{
    std::unordered_map<const forms::MenuItem*, QMenu*> menus;
    for (forms::Control* control : m_window->controls()) {
        if (control->kind() != forms::ControlKind::MenuItem)
            continue;
        auto* item = static_cast<forms::MenuItem*>(control);
        const QString caption = QString::fromStdString(item->caption());
        QAction* action = nullptr;
        if (!item->parent()) {
            // A top-level item with children opens a menu; one without is a command itself.
            const bool hasChildren = std::any_of(m_window->controls().begin(), m_window->controls().end(),
                                                 [item](forms::Control* c) {
                                                     return c->kind() == forms::ControlKind::MenuItem
                                                         && static_cast<forms::MenuItem*>(c)->parent() == item;
                                                 });
            if (hasChildren) {
                QMenu* menu = menuBar()->addMenu(caption);
                menus[item] = menu;
                action = menu->menuAction();
            } else {
                action = menuBar()->addAction(caption);
            }
        } else {
            QMenu* menu = menus[item->parent()];
            if (!menu)
                continue;
            action = item->separator() ? menu->addSeparator() : menu->addAction(caption);
        }
        if (!item->shortcut().empty())
            action->setShortcut(QKeySequence(QString::fromStdString(item->shortcut())));
        if (item->checked()) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        connect(action, &QAction::triggered, this, [this, item, action] {
            // The check marks are the model's: choosing an item never toggles them.
            if (action->isCheckable())
                action->setChecked(item->checked());
            item->click();
        });
        m_actions[item] = action;
    }
}

QAction* WindowView::actionFor(const forms::MenuItem& item) const
{
    auto it = m_actions.find(&item);
    return it == m_actions.end() ? nullptr : it->second;
}

void WindowView::showAndRaise()
{
    if (m_owner && m_owner->windowHandle()) {
        if (!windowHandle())
            create();
        windowHandle()->setTransientParent(m_owner->windowHandle());
    }
    if (!m_placed) {
        m_placed = true;
        switch (m_window->placement()) {
        case forms::Placement::Maximized:
            // Without a window manager nothing maximizes; take the screen's work area then.
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                setGeometry(screen->availableGeometry());
                m_screenSizedStart = true;
            }
            showMaximized();
            break;
        case forms::Placement::CenterScreen: {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->availableGeometry();
                move(area.center() - QPoint(width() / 2, height() / 2));
            }
            show();
            break;
        }
        case forms::Placement::WindowSystem:
            // Over the window it belongs to, on the screen: not at the screen's corner over the
            // main window's menu bar, which is where a window system without a manager puts it.
            if (m_owner && m_owner->isVisible()) {
                const QRect over = m_owner->frameGeometry();
                QRect area = over;
                if (QScreen* screen = m_owner->screen())
                    area = screen->availableGeometry();
                // move() places the frame, which this window does not have yet: it is taken to be
                // as wide as its owner's, so that the whole window, frame and all, stays on the screen.
                const QRect inner = m_owner->geometry();
                const QSize outer = size()
                    + QSize(over.width() - inner.width(), over.height() - inner.height()).expandedTo(QSize(0, 0));
                QPoint corner = over.center() - QPoint(outer.width() / 2, outer.height() / 2);
                corner.setX(std::clamp(corner.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
                corner.setY(std::clamp(corner.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
                move(corner);
            }
            show();
            break;
        }
        // The first control in tab order that takes the focus has it when the window opens. The
        // widgets made before the window was laid out only covered the canvas's provisional size,
        // so they are brought up to the real client area first.
        reconcile();
        for (const forms::Control* control : m_window->tabOrder()) {
            QWidget* widget = widgetFor(*control);
            if (widget && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus) {
                widget->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    } else if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

QWidget* WindowView::widgetFor(const forms::Control& control) const
{
    auto it = m_widgets.find(&control);
    return it == m_widgets.end() ? nullptr : it->second;
}

void WindowView::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_window && m_window->acceptsDrops() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void WindowView::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_window && m_window->acceptsDrops() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void WindowView::dropEvent(QDropEvent* event)
{
    if (!m_window || !m_window->acceptsDrops() || !event->mimeData()->hasUrls())
        return;
    // Paths as the file system's own bytes; anything that is no local file goes on as its
    // address, for the model to refuse by name.
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths.push_back(url.isLocalFile() ? QFile::encodeName(url.toLocalFile()).toStdString()
                                          : url.toString().toStdString());
    forms::Control* target = controlFor(childAt(event->position().toPoint()));
    event->acceptProposedAction();
    forms::Window* window = m_window;
    window->application().dispatch([window, paths, target] { window->filesDropped(paths, target); });
}

forms::Control* WindowView::controlFor(const QWidget* widget) const
{
    // A combo box's line edit and a list's viewport are children of the control's widget.
    for (; widget && widget != m_canvas && !widget->isWindow(); widget = widget->parentWidget()) {
        for (const auto& [control, w] : m_widgets) {
            if (w == widget)
                return const_cast<forms::Control*>(control);
        }
    }
    return nullptr;
}

bool WindowView::wantsWidget(const forms::Control& control, const QRect& area) const
{
    return control.isWindowed() && control.visible() && pixelRect(control).intersects(area);
}

void WindowView::scheduleReconcile()
{
    if (m_reconcilePending)
        return;
    m_reconcilePending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_reconcilePending)
            reconcile();
    });
}

void WindowView::reconcileNow()
{
    reconcile();
}

void WindowView::reconcile()
{
    m_reconcilePending = false;
    if (!m_window)
        return;
    // A frame button wholly outside the client area needs no widget until the window grows.
    const QRect area = m_canvas->rect().isEmpty()
        ? QRect(0, 0, toPixels(m_window->clientWidth()), toPixels(m_window->clientHeight()))
        : m_canvas->rect();
    bool created = false;
    forEachControl(*m_window, [&](forms::Control& control) {
        if (!control.isWindowed())
            return;
        const bool wanted = wantsWidget(control, area);
        auto it = m_widgets.find(&control);
        if (wanted && it == m_widgets.end()) {
            if (QWidget* widget = ControlBinding::of(control).createWidget(control, m_canvas)) {
                m_widgets.emplace(&control, widget);
                m_accessible->widgetCreated(control, *widget);
                // A picture button shows no words: the pointer resting on it shows the words of
                // its twin in the menus, which are its accessible name too.
                if (control.kind() == forms::ControlKind::CommandButton
                    && static_cast<const forms::CommandButton&>(control).caption().empty())
                    widget->setToolTip(widget->accessibleName());
                created = true;
            }
        } else if (!wanted && it != m_widgets.end() && !it->second->hasFocus()) {
            delete it->second;
            m_widgets.erase(it);
        }
    });
    if (created)
        applyTabOrder();
    m_accessible->widgetsChanged();
}

void WindowView::applyTabOrder()
{
    QWidget* previous = nullptr;
    for (const forms::Control* control : m_window->tabOrder()) {
        QWidget* widget = widgetFor(*control);
        if (!widget)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void WindowView::controlChanged(forms::Control& control, forms::Property property)
{
    m_accessible->controlChanged(control, property);
    if (control.kind() == forms::ControlKind::MenuItem) {
        auto& item = static_cast<forms::MenuItem&>(control);
        if (QAction* action = actionFor(item)) {
            if (property == forms::Property::Caption)
                action->setText(QString::fromStdString(item.caption()));
            else if (property == forms::Property::Checked) {
                action->setCheckable(true);
                action->setChecked(item.checked());
            } else if (property == forms::Property::Enabled)
                action->setEnabled(item.enabled());
            else if (property == forms::Property::Visible)
                action->setVisible(item.visible());
        }
        return;
    }
    if (ControlBinding::of(control).isDrawn()) {
        if (property == forms::Property::Geometry)
            m_canvas->invalidateAll();   // the old place must be cleared too
        else
            m_canvas->invalidate(control);
        return;
    }
    if (!control.isWindowed())
        return;
    if (QWidget* widget = widgetFor(control))
        ControlBinding::of(control).syncWidget(control, *widget, property);
    if (property == forms::Property::Visible || property == forms::Property::Geometry)
        scheduleReconcile();
}

void WindowView::controlAdded(forms::Control& control)
{
    m_accessible->controlAdded(control);
    if (ControlBinding::of(control).isDrawn())
        m_canvas->invalidate(control);
    else if (control.isWindowed())
        scheduleReconcile();
}

void WindowView::controlRemoved(forms::Control& control)
{
    m_accessible->controlRemoved(control);
    if (ControlBinding::of(control).isDrawn()) {
        m_canvas->invalidate(control);
        return;
    }
    auto it = m_widgets.find(&control);
    if (it != m_widgets.end()) {
        delete it->second;
        m_widgets.erase(it);
    }
}

void WindowView::focusRequested(forms::Control& control)
{
    if (!widgetFor(control))
        reconcile();
    if (QWidget* widget = widgetFor(control))
        widget->setFocus(Qt::OtherFocusReason);
}

void WindowView::windowFocused(forms::Window&)
{
    // The window itself holds the focus, so keys reach its key handler and no control.
    if (QWidget* focus = focusWidget(); focus && focus != this)
        focus->clearFocus();
    setFocus(Qt::OtherFocusReason);
}

void WindowView::windowChanged(forms::Window& window)
{
    setWindowTitle(QString::fromStdString(window.caption()));
}

void WindowView::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!m_window)
        return;
    forms::Window* window = m_window;
    window->frameClosed();
    // A window that outlives its close box (the user kept unsaved work) stays on screen.
    if (m_window && m_window->isShown() && !m_window->application().ended())
        event->ignore();
}

void WindowView::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_window)
        return;
    // A window kept out of the taskbar has no way back from being minimized, and some window
    // managers (openbox) offer the button whatever the window asks: it comes straight back.
    if (isMinimized() && !m_window->showInTaskbar()) {
        QTimer::singleShot(0, this, [this] {
            if (m_window && isMinimized())
                showNormal();
        });
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMaximized = change->oldState().testFlag(Qt::WindowMaximized);
    if (!wasMaximized || windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        return;
    // A window that starts maximized was given the screen's work area for window systems that
    // do not maximize; restored the first time, it takes its design size instead, with its
    // frame on screen. Later the window manager restores whatever size the user gave it.
    if (std::exchange(m_screenSizedStart, false) && size() != designSize()) {
        resize(designSize());
        if (QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            const QRect frame = frameGeometry();
            QPoint corner = frame.topLeft();
            corner.setX(std::clamp(corner.x(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
            corner.setY(std::clamp(corner.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
            move(corner);
        }
    }
}

QSize WindowView::designSize() const
{
    const int menuHeight = m_actions.empty() ? 0 : menuBar()->sizeHint().height();
    return QSize(toPixels(m_window->clientWidth()), toPixels(m_window->clientHeight()) + menuHeight);
}

void WindowView::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    scheduleReconcile();
}

}
