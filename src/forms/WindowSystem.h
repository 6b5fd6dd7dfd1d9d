// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Progress.h"
#include "forms/SaveAnswer.h"

#include <functional>
#include <optional>
#include <string>

namespace forms {

class Window;

// What the application asks of the screen. The Qt binding shows real windows; headless code
// can use the defaults, which show nothing.
class WindowSystem {
public:
    virtual void showWindow(Window&) { }
    virtual void hideWindow(Window&) { }
    // The window is about to be destroyed: drop everything that refers to it.
    virtual void windowUnloaded(Window&) { }
    // A message box with one OK button; returns when it is closed.
    virtual void messageBox(const std::string& /*text*/, const std::string& /*title*/) { }
    // Asks whether to save changes before they are discarded: Save, Don't Save and Cancel, and
    // waits for the answer. Without a screen nobody can answer, and the work goes on unsaved.
    virtual SaveAnswer askToSave(const std::string& /*text*/, const std::string& /*title*/)
    {
        return SaveAnswer::DontSave;
    }
    // Asks for a folder in a modal chooser over the main window, starting at `start`; the folder,
    // or empty when the user cancelled. Without a screen nobody can choose, and nothing is done.
    virtual std::optional<std::string> chooseFolder(const std::string& /*title*/, const std::string& /*start*/)
    {
        return std::nullopt;
    }
    // An error that stopped a handler without an error trap.
    virtual void reportError(const std::string& /*message*/) { }
    // The same with the details the message leaves out, for the user who asks for them.
    virtual void reportDetailedError(const std::string& message, const std::string& /*details*/)
    {
        reportError(message);
    }
    // Leave the event loop: the program ends.
    virtual void quit() { }
    // Runs `work`, which may take long, without letting the program freeze: the binding runs it on
    // another thread, takes no input meanwhile, and shows `progress` with a Cancel button when it
    // lasts. False when the user cancelled; whatever `work` throws comes out here. Without a
    // screen it simply runs.
    virtual bool runWithProgress(const std::string& /*title*/, Progress& progress, const std::function<void()>& work)
    {
        work();
        return !progress.cancelled();
    }
    // Hand a file to the application the desktop registers for it. False when there is none.
    virtual bool openWithDesktop(const std::string& /*path*/) { return false; }

protected:
    virtual ~WindowSystem() = default;
};

}
