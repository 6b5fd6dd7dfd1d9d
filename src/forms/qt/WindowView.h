// SPDX-License-Identifier: MIT
#pragma once

#include "forms/WindowObserver.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <unordered_map>

class QAction;

namespace forms {
class MenuItem;
}

namespace forms::qt {

class AccessibleView;
class Canvas;

// The screen side of one window: a top-level widget whose canvas draws the drawn controls,
// with real widgets only for the windowed controls that can be seen. What a control of each
// kind is on screen is its kind's ControlBinding. The model is the truth;
// the view mirrors its changes and turns the user's input into the model's events.
class WindowView final : public QMainWindow, public forms::WindowObserver {
public:
    explicit WindowView(forms::Window& window);
    ~WindowView() override;

    forms::Window* window() const { return m_window; }
    // The model window is going away: forget it, hide, and delete later.
    void detach();

    // The window this one belongs to: kept above it and, where the window system places it,
    // placed over it.
    void setOwner(WindowView* owner) { m_owner = owner; }
    void showAndRaise();
    // Creates and removes real widgets now instead of at the next turn of the event loop.
    void reconcileNow();
    QWidget* widgetFor(const forms::Control& control) const;
    // The control a widget of this window stands for, or null.
    forms::Control* controlFor(const QWidget* widget) const;
    Canvas* canvas() const { return m_canvas; }
    QAction* actionFor(const forms::MenuItem& item) const;

    // forms::WindowObserver
    void controlChanged(forms::Control& control, forms::Property property) override;
    void controlAdded(forms::Control& control) override;
    void controlRemoved(forms::Control& control) override;
    void focusRequested(forms::Control& control) override;
    void windowFocused(forms::Window& window) override;
    void windowChanged(forms::Window& window) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void applyFrame();
    // The design client area, with the menu bar on top of it.
    QSize designSize() const;
    void scheduleReconcile();
    void reconcile();
    bool wantsWidget(const forms::Control& control, const QRect& area) const;
    void applyTabOrder();

    forms::Window* m_window;
    Canvas* m_canvas;
    std::unique_ptr<AccessibleView> m_accessible;
    std::unordered_map<const forms::Control*, QWidget*> m_widgets;
    std::unordered_map<const forms::MenuItem*, QAction*> m_actions;
    QPointer<WindowView> m_owner;
    bool m_reconcilePending = false;
    bool m_placed = false;
    // Shown maximized with the screen's work area as its normal size, not yet restored.
    bool m_screenSizedStart = false;
};

}
