// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Property.h"
#include "forms/qt/accessibility/AnnouncementThrottle.h"

#include <QAccessible>
#include <QTimer>

#include <unordered_map>
#include <vector>

class QAccessibleInterface;
class QWidget;

namespace forms {
class Control;
class Window;
}

namespace forms::qt {

class Canvas;
class WindowView;

// What assistive technology sees of one window's client area. The canvas draws labels and
// pictures without widgets; here they become accessible objects (static text named by its
// caption, a graphic named by its frame and described by its path), made only when a client
// asks for them, so 32,767 frames cost nothing until somebody looks. The real widgets get
// the names and descriptions their window gives them.
class AccessibleView {
public:
    AccessibleView(WindowView& view, Canvas& canvas);
    ~AccessibleView();
    AccessibleView(const AccessibleView&) = delete;
    AccessibleView& operator=(const AccessibleView&) = delete;

    // The view of this canvas, or null.
    static AccessibleView* of(const QWidget* canvas);

    // Hooks of the window's view.
    void controlChanged(forms::Control& control, forms::Property property);
    void controlAdded(forms::Control& control);
    void controlRemoved(forms::Control& control);
    void widgetCreated(forms::Control& control, QWidget& widget);
    void widgetsChanged();
    // The model window is going away.
    void detach();

    // The client area's children, in the window's creation order: visible labels and pictures,
    // and the widgets that exist for visible controls.
    int childCount();
    QAccessibleInterface* child(int index);
    int indexOfChild(const QAccessibleInterface* child);
    QAccessibleInterface* childAt(int x, int y);

    // For a drawn control's interface.
    QString name(const forms::Control& control) const;
    QString description(const forms::Control& control) const;
    QRect screenRect(const forms::Control& control) const;
    QAccessibleInterface* canvasInterface() const;
    QWindow* windowHandle() const;

    // The least time between two announcements of one label's new caption, and between two
    // notices that the set of children changed (playback at 1 ms a picture changes it as often).
    static constexpr std::int64_t kNoticeGapMs = 250;

    // Where the events about drawn controls go: to Qt's accessibility backend unless a sink is
    // set. Qt drops every event on a platform without a backend (offscreen), so tests listen
    // here. Returns the sink set before.
    using EventSink = void (*)(QAccessibleEvent*);
    static EventSink setEventSink(EventSink sink);
    // The time, in milliseconds, that paces the notices: a steady clock unless tests set one.
    using Clock = std::int64_t (*)();
    static Clock setClock(Clock clock);

private:
    void rebuild();
    QAccessibleInterface* interfaceOf(forms::Control& control);
    QAccessibleInterface* existingItem(const forms::Control& control) const;
    void announceCaption(const forms::Control& control);
    void structureChanged(forms::Control& control);
    void sendStructureEvents();
    void nameWidget(forms::Control& control, QWidget& widget) const;
    static void send(QAccessibleEvent& event);

    WindowView& m_view;
    Canvas& m_canvas;
    forms::Window* m_window;
    std::vector<forms::Control*> m_children;
    // Each child's index, by its drawn control or by its widget.
    std::unordered_map<const void*, int> m_indexOf;
    bool m_dirty = true;
    // Interfaces made for drawn controls, by control; the accessibility cache owns them.
    std::unordered_map<const forms::Control*, QAccessible::Id> m_items;
    // Drawn controls with an interface whose visibility changed since the last notice.
    std::vector<forms::Control*> m_shownOrHidden;
    bool m_structureNoticePending = false;
    QTimer m_noticeTimer;
    AnnouncementThrottle m_notices;
};

}
