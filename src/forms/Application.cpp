// SPDX-License-Identifier: MIT
#include "forms/Application.h"

#include "forms/Error.h"
#include "forms/Window.h"
#include "forms/WindowSystem.h"

namespace forms {

Application::Application(WindowSystem& windowSystem, Clock& clock, PictureDecoder& decoder)
    : m_windowSystem(windowSystem)
    , m_clock(clock)
    , m_decoder(decoder)
{
}

Application::~Application()
{
    // Windows go before the clock and window system they refer to, newest first.
    m_graveyard.clear();
    while (!m_windows.empty()) {
        auto node = m_windows.extract(m_windows.begin());
        m_windowSystem.windowUnloaded(*node.mapped());
    }
}

void Application::dispatch(const std::function<void()>& handler)
{
    if (m_ended || m_depth > 0)
        return;
    ++m_depth;
    std::string error;
    std::string details;
    try {
        handler();
    } catch (const Error& e) {
        error = e.what();
        details = e.details();
    }
    --m_depth;
    m_graveyard.clear();
    if (error.empty() || m_ended)
        return;
    if (details.empty())
        m_windowSystem.reportError(error);
    else
        m_windowSystem.reportDetailedError(error, details);
}

void Application::end()
{
    if (m_ended)
        return;
    m_ended = true;
    m_windowSystem.quit();
}

void Application::unload(Window& window)
{
    auto it = m_windows.find(window.name());
    if (it == m_windows.end() || it->second.get() != &window)
        return;
    std::unique_ptr<Window> doomed = std::move(it->second);
    m_windows.erase(it);
    m_windowSystem.windowUnloaded(*doomed);
    if (m_depth > 0)
        m_graveyard.push_back(std::move(doomed));
}

Window* Application::existing(const std::string& name) const
{
    auto it = m_windows.find(name);
    return it == m_windows.end() ? nullptr : it->second.get();
}

Picture Application::loadPicture(const std::string& path)
{
    return m_decoder.decode(path);
}

bool Application::runWithProgress(const std::string& title, Progress& progress, const std::function<void()>& work)
{
    return m_windowSystem.runWithProgress(title, progress, work);
}

void Application::messageBox(const std::string& text, const std::string& title)
{
    m_windowSystem.messageBox(text, title);
}

std::optional<std::string> Application::chooseFolder(const std::string& title, const std::string& start)
{
    return m_windowSystem.chooseFolder(title, start);
}

SaveAnswer Application::askToSave(const std::string& text, const std::string& title)
{
    return m_windowSystem.askToSave(text, title);
}

}
