// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

#include <functional>
#include <vector>

namespace forms {

class DriveList : public Control {
public:
    DriveList(Window& window, std::string name);
    DriveList(const DriveList&) = delete;

    const std::string& drive() const { return m_drive; }
    // Raises Change when the drive differs.
    void setDrive(const std::string& drive);
    const std::vector<std::string>& drives() const { return m_drives; }
    void refresh();

    // The user picks a drive.
    void choose(const std::string& drive);

    std::function<void()> onChange;

private:
    std::string m_drive;
    std::vector<std::string> m_drives;
};

class DirList : public Control {
public:
    DirList(Window& window, std::string name);
    DirList(const DirList&) = delete;

    const std::string& path() const { return m_path; }
    // Every change of the path, by the user or by a handler, raises Change. A path that cannot
    // be entered is a DriveNotReady error and leaves the list where it was.
    void setPath(const std::string& path);
    const std::vector<std::string>& subdirectories() const { return m_subdirectories; }
    void refresh();

    // The user opens a directory.
    void open(const std::string& path);

    std::function<void()> onChange;

private:
    std::string m_path;
    std::vector<std::string> m_subdirectories;
};

class FileList : public Control {
public:
    FileList(Window& window, std::string name);
    FileList(const FileList&) = delete;

    const std::string& path() const { return m_path; }
    void setPath(const std::string& path);
    const std::string& pattern() const { return m_pattern; }
    void setPattern(const std::string& pattern);
    // The selected file's name without directory; empty when none is selected. With several
    // files selected, it is the one the user clicked last.
    const std::string& fileName() const { return m_fileName; }
    // Selects this one file alone.
    void setFileName(const std::string& name);
    // Whether the user may select several files (Shift, Ctrl, Ctrl+A); off unless a window asks.
    bool multiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool multiSelect) { assign(m_multiSelect, multiSelect, Property::Selection); }
    // The selected files' names in the list's order: the file name alone, or none, unless the user
    // selected several.
    const std::vector<std::string>& selectedFiles() const { return m_selected; }
    const std::vector<std::string>& files() const { return m_files; }
    void refresh();

    // The user clicks a file.
    void select(const std::string& name);
    // The user selects several files, `clicked` the one clicked last. Its Click follows when the
    // file clicked last changed, or when only one file is left selected, as after a plain click.
    void select(const std::vector<std::string>& names, const std::string& clicked);

    std::function<void()> onClick;

private:
    void setSelection(const std::string& fileName, std::vector<std::string> selected);

    std::string m_path;
    std::string m_pattern = "*.*";
    std::string m_fileName;
    std::vector<std::string> m_files;
    std::vector<std::string> m_selected;
    bool m_multiSelect = false;
};

}
