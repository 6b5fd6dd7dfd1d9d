// SPDX-License-Identifier: MIT
#pragma once

#include "anifile/AniContent.h"
#include "anifile/Result.h"

#include <string>

namespace anifile {

// Writes animation files: the count line, the rate line, then one line per frame, each ended by
// CR LF.
class AniWriter
{
public:
    // Replaces the file at path with the content, or leaves whatever was there untouched. The data
    // goes to a temporary file beside the target, is flushed to disk and only then renamed over the
    // target, so a full disk, a missing permission or a crash never leaves a half-written or
    // emptied animation behind. A replaced file keeps its permission bits.
    static Result<void> save(const std::string& path, const AniContent& content);

    // The exact bytes save writes. A value that holds a comma or a line break, or starts with a
    // double quote or a byte order mark, is written in double quotes with inner quotes doubled, so
    // that reading it back cannot split or strip it; every other value is written as it is.
    static std::string encode(const AniContent& content);
};

}
