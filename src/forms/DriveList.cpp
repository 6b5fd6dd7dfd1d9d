// SPDX-License-Identifier: MIT
#include "forms/DriveList.h"

#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/FileSystem.h"

#include <algorithm>

namespace forms {

// Lists start at the user's home directory, on the drive that holds it.
DriveList::DriveList(Window& window, std::string name)
    : Control(window, std::move(name), ControlKind::DriveList, Presence::Windowed)
{
    refresh();
    const std::string home = application().fileSystem().homeDirectory();
    m_drive = application().fileSystem().root();
    for (const std::string& d : m_drives) {
        if (d != m_drive && home.rfind(d, 0) == 0)
            m_drive = d;
    }
}

void DriveList::refresh()
{
    m_drives = application().fileSystem().drives();
    changed(Property::Items);
}

void DriveList::setDrive(const std::string& drive)
{
    if (m_drive == drive)
        return;
    m_drive = drive;
    if (std::find(m_drives.begin(), m_drives.end(), drive) == m_drives.end())
        refresh();
    changed(Property::Drive);
    if (onChange)
        onChange();
}

void DriveList::choose(const std::string& drive)
{
    if (!acceptsInput())
        return;
    application().dispatch([this, drive] { setDrive(drive); });
}

DirList::DirList(Window& window, std::string name)
    : Control(window, std::move(name), ControlKind::DirList, Presence::Windowed)
    , m_path(application().fileSystem().homeDirectory())
{
    refresh();
}

void DirList::setPath(const std::string& path)
{
    const std::string normalized = FileSystem::normalize(path);
    // Listing first: a directory that cannot be read is refused before anything changes.
    std::vector<std::string> subdirectories = application().fileSystem().directories(normalized);
    m_subdirectories = std::move(subdirectories);
    const bool differs = normalized != m_path;
    m_path = normalized;
    changed(Property::Items);
    if (!differs)
        return;
    changed(Property::Path);
    if (onChange)
        onChange();
}

void DirList::refresh()
{
    try {
        m_subdirectories = application().fileSystem().directories(m_path);
    } catch (const Error&) {
        m_subdirectories.clear();
    }
    changed(Property::Items);
}

void DirList::open(const std::string& path)
{
    if (!acceptsInput())
        return;
    application().dispatch([this, path] { setPath(path); });
}

FileList::FileList(Window& window, std::string name)
    : Control(window, std::move(name), ControlKind::FileList, Presence::Windowed)
    , m_path(application().fileSystem().homeDirectory())
{
    refresh();
}

void FileList::setPath(const std::string& path)
{
    const std::string normalized = FileSystem::normalize(path);
    if (normalized == m_path)
        return;
    m_path = normalized;
    changed(Property::Path);
    setFileName({});
    refresh();
}

void FileList::setPattern(const std::string& pattern)
{
    if (pattern == m_pattern)
        return;
    m_pattern = pattern;
    changed(Property::Pattern);
    refresh();
}

void FileList::setFileName(const std::string& name)
{
    std::vector<std::string> selected;
    if (!name.empty())
        selected.push_back(name);
    setSelection(name, std::move(selected));
}

void FileList::setSelection(const std::string& fileName, std::vector<std::string> selected)
{
    // Both are stored before either is told, so an observer never sees one without the other.
    const bool nameChanged = fileName != m_fileName;
    const bool selectionChanged = selected != m_selected;
    m_fileName = fileName;
    m_selected = std::move(selected);
    if (nameChanged)
        changed(Property::FileName);
    if (selectionChanged)
        changed(Property::Selection);
}

void FileList::refresh()
{
    m_files = application().fileSystem().files(m_path, m_pattern);
    if (!m_fileName.empty() && std::find(m_files.begin(), m_files.end(), m_fileName) == m_files.end())
        setFileName({});
    // A selected file that the new list no longer shows is no longer selected.
    std::vector<std::string> kept;
    for (const std::string& name : m_files) {
        if (std::find(m_selected.begin(), m_selected.end(), name) != m_selected.end())
            kept.push_back(name);
    }
    if (kept != m_selected) {
        m_selected = std::move(kept);
        changed(Property::Selection);
    }
    changed(Property::Items);
}

void FileList::select(const std::string& name)
{
    if (!acceptsInput())
        return;
    setFileName(name);
    if (onClick)
        application().dispatch(onClick);
}

void FileList::select(const std::vector<std::string>& names, const std::string& clicked)
{
    if (!acceptsInput())
        return;
    if (!m_multiSelect || names.size() <= 1) {
        select(names.empty() ? clicked : names.front());
        return;
    }
    // Kept in the list's order whatever order the selection was made in, each name once.
    std::vector<std::string> selected;
    for (const std::string& name : m_files) {
        if (std::find(names.begin(), names.end(), name) != names.end())
            selected.push_back(name);
    }
    if (selected.size() <= 1) {
        select(selected.empty() ? clicked : selected.front());
        return;
    }
    // The preview follows the file clicked last; when that one was just deselected, the last
    // file still selected stands in for it.
    const std::string shown
        = std::find(selected.begin(), selected.end(), clicked) != selected.end() ? clicked : selected.back();
    const bool clickedMoved = shown != m_fileName;
    setSelection(shown, std::move(selected));
    if (clickedMoved && onClick)
        application().dispatch(onClick);
}

}
