// SPDX-License-Identifier: MIT
#pragma once

#include "forms/WindowSystem.h"

#include <QObject>

#include <unordered_map>

namespace forms::qt {

class WindowView;

// Shows the model's windows as Qt top-level widgets, delivers typed characters to the active
// window's key handler before the focused widget sees them, and shows message boxes.
class QtWindowSystem final : public QObject, public forms::WindowSystem {
public:
    QtWindowSystem();
    ~QtWindowSystem() override;

    void showWindow(forms::Window& window) override;
    void hideWindow(forms::Window& window) override;
    void windowUnloaded(forms::Window& window) override;
    void messageBox(const std::string& text, const std::string& title) override;
    // A modal question with the buttons Save, Don't Save and Cancel; Escape cancels.
    forms::SaveAnswer askToSave(const std::string& text, const std::string& title) override;
    // Qt's own folder chooser, modal over the window that asked; Escape and Cancel give nothing.
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& start) override;
    void reportError(const std::string& message) override;
    void reportDetailedError(const std::string& message, const std::string& details) override;
    void quit() override;
    bool openWithDesktop(const std::string& path) override;
    bool runWithProgress(const std::string& title, forms::Progress& progress,
                         const std::function<void()>& work) override;
    // How long work runs before its progress dialog shows, in milliseconds.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    // The view of a window that has been shown, or null.
    WindowView* viewOf(const forms::Window& window) const;

    // What a message box shows of a text: at most kBoxLines lines of at most kBoxLineLength
    // characters, long lines elided in the middle, the rest summed up in a last line. Whatever
    // was cut is in `details`, which the box offers on request.
    struct BoxText {
        QString text;
        QString details;
    };
    static constexpr int kBoxLines = 20;
    static constexpr int kBoxLineLength = 200;
    static BoxText boxText(const QString& text, const QString& details = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The main window's view, once it has been shown.
    WindowView* mainView() const;
    // What a message box or the progress dialog belongs to: the active window, or else the main
    // window, so that the window manager places it over that window and keeps it above.
    QWidget* dialogOwner() const;

    std::unordered_map<const forms::Window*, WindowView*> m_views;
    bool m_reporting = false;
    int m_progressDelay = 500;
    // The key press handed to the model last, while it travels on to the parent widgets.
    const QEvent* m_takenKey = nullptr;
};

}
