// SPDX-License-Identifier: MIT
#include "anifile/FileNames.h"

namespace anifile {

namespace {

bool isSeparator(char c)
{
#ifdef _WIN32
    // Windows accepts both; a directory typed with forward slashes must not get a second one.
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

std::string join(std::string_view directory, std::string_view name)
{
    std::string path;
    path.reserve(directory.size() + 1 + name.size() + extension.size());
    path.append(directory);
    // The root directory already ends with a separator; doubling it would give "//anim.ani".
    if (directory.empty() || !isSeparator(directory.back()))
        path.push_back(separator);
    path.append(name);
    return path;
}

}

std::string saveFileName(std::string_view directory, std::string_view name)
{
    std::string path = join(directory, name);
    path.append(extension);
    return path;
}

std::string openFileName(std::string_view directory, std::string_view name)
{
    return join(directory, name);
}

bool hasWildcard(std::string_view path)
{
    std::string_view lastComponent = path;
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1])) {
            lastComponent = path.substr(i);
            break;
        }
    }
    // Only the last component is checked: a directory that really is called "a?b" is legal on
    // Linux and was picked from the directory list, so it must not block saving inside it.
    return lastComponent.find_first_of("*?") != std::string_view::npos;
}

}
