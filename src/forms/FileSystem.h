// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace forms {

// The file system as the drive, directory and file lists see it. On a system without drive
// letters the root stands for "c:\" and the mounted volumes a user would call drives (under
// /media, /run/media and /mnt) are the other drives.
class FileSystem {
public:
    static constexpr char kSeparator = '/';

    std::string root() const { return "/"; }
    std::vector<std::string> drives() const;
    std::string homeDirectory() const;

    // Subdirectory names of `path`, sorted, hidden ones left out. Throws DriveNotReady.
    std::vector<std::string> directories(const std::string& path) const;
    // Names of the files of `path` that match any of the ";"-separated wildcard patterns.
    std::vector<std::string> files(const std::string& path, const std::string& patterns) const;

    // The absolute, normalised form of a directory path; no trailing separator but at the root.
    static std::string normalize(const std::string& path);
    // The directory, one separator unless the directory already ends with one, and the name.
    static std::string join(std::string_view directory, std::string_view name);
    // "*" and "?" wildcards, ASCII case-insensitive, as picture and animation files are named on
    // every system. Blanks around each ";"-separated pattern are not part of it.
    static bool matches(std::string_view name, std::string_view patterns);

    // Natural order, as people number files: runs of digits compare by their value, so
    // "walk2.png" comes before "walk10.png"; letters compare ignoring ASCII case.
    static bool naturalLess(std::string_view a, std::string_view b);
    // A file name's extension with its dot, in ASCII lower case (".PNG" gives ".png"); empty when
    // the name has none. Kinds of file are told by it whatever case the name is written in.
    static std::string lowerExtension(const std::string& name);

    std::string currentDirectory() const;
    // Throws DriveNotReady when the directory cannot be entered.
    void setCurrentDirectory(const std::string& path) const;
};

}
