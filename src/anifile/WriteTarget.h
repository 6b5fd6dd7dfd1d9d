// SPDX-License-Identifier: MIT
#pragma once

#include "anifile/Result.h"

#include <string>

namespace anifile {

// The file that writing to path replaces: path itself, or, when path is a symbolic link, the file
// the link leads to, so that the link stays a link and the file it names gets the new content. A
// link that leads nowhere or round in a loop is refused (the error names path and says that
// nothing was written) rather than replaced by a plain file. Saves and exports both write through
// this, so that they treat links alike.
Result<std::string> writeTarget(const std::string& path);

}
