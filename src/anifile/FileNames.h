// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace anifile {

// The platform's directory separator, the one the directory list hands out.
#ifdef _WIN32
inline constexpr char separator = '\\';
#else
inline constexpr char separator = '/';
#endif

// The extension that saving appends to whatever name the user typed.
inline constexpr std::string_view extension = ".ani";

// The file a save writes to: directory, one separator unless the directory already ends with one,
// the name exactly as typed, then ".ani". The extension is appended even when the name already
// has it ("anim.ani" saves as "anim.ani.ani"), because files saved that way must keep their names.
std::string saveFileName(std::string_view directory, std::string_view name);

// The file an open reads from: the same joining as saveFileName, but nothing is appended, so the
// user opens exactly the file whose name they typed or picked.
std::string openFileName(std::string_view directory, std::string_view name);

// True when the last component of a path holds characters that the file dialogs treat as
// wildcards. Such a name is a filter pattern the user never replaced (the dialog starts out with
// "*.ani"), not a name anyone means to create.
bool hasWildcard(std::string_view path);

}
