// SPDX-License-Identifier: MIT
#pragma once

#include "forms/FileSystem.h"
#include "forms/Picture.h"
#include "forms/Progress.h"
#include "forms/SaveAnswer.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace forms {

class Clock;
class Window;
class WindowSystem;

// Owns the windows by name, creating each on first reference, and delivers events one at a
// time: a handler runs to its end before the next event. Errors thrown by a handler stop it at
// the failing step; the dispatcher reports them and the program goes on.
class Application {
public:
    Application(WindowSystem& windowSystem, Clock& clock, PictureDecoder& decoder);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    WindowSystem& windowSystem() const { return m_windowSystem; }
    Clock& clock() const { return m_clock; }
    const FileSystem& fileSystem() const { return m_fileSystem; }

    // Runs one event handler. A forms::Error ends it and is reported by message box; events
    // that arrive while a handler runs (a timer during a message box) are dropped, and none are
    // delivered once the program has ended.
    void dispatch(const std::function<void()>& handler);
    bool busy() const { return m_depth > 0; }

    // Terminate at once: no further events are delivered.
    void end();
    bool ended() const { return m_ended; }

    // Destroys the window; the next reference creates it afresh.
    void unload(Window& window);
    // The window of that name, if it has been created.
    Window* existing(const std::string& name) const;
    const std::map<std::string, std::unique_ptr<Window>>& windows() const { return m_windows; }

    // LoadPicture(path): throws BadPicture naming the file and the cause.
    Picture loadPicture(const std::string& path);
    // The pictures that will be shown next, in order, so that the decoder can have them ready.
    void decodeAhead(const std::vector<Picture>& upcoming) { m_decoder.decodeAhead(upcoming); }

    void messageBox(const std::string& text, const std::string& title);
    // The question before unsaved work is discarded; see WindowSystem::askToSave.
    SaveAnswer askToSave(const std::string& text, const std::string& title);

    // A folder the user picks; empty when cancelled. See WindowSystem::chooseFolder.
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& start);

    // Work that may take long (an open, a preview), run without freezing the program; false when
    // the user cancelled it. See WindowSystem::runWithProgress.
    bool runWithProgress(const std::string& title, Progress& progress, const std::function<void()>& work);

protected:
    // The window called `name`, created on first reference: its constructor builds the
    // design-time controls and its load() step runs before it is returned. Not shown.
    template<typename W>
    W& window(const std::string& name)
    {
        auto it = m_windows.find(name);
        if (it != m_windows.end())
            return static_cast<W&>(*it->second);
        auto created = std::make_unique<W>(*this);
        W& result = *created;
        m_windows.emplace(name, std::move(created));
        result.load();
        return result;
    }

private:
    WindowSystem& m_windowSystem;
    Clock& m_clock;
    PictureDecoder& m_decoder;
    FileSystem m_fileSystem;
    std::map<std::string, std::unique_ptr<Window>> m_windows;
    // Windows unloaded while a handler ran die once it has ended.
    std::vector<std::unique_ptr<Window>> m_graveyard;
    int m_depth = 0;
    bool m_ended = false;
};

}
