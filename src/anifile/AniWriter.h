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
    //
    // A symbolic link is saved through to the file it names. A file with other hard links is
    // written in place, so that every name sees it, and so is a writable file in a directory that
    // takes no new files, the only way there is. Written in place, the file first grows by what
    // the new content needs, so that a full disk stops the save before the old content changes;
    // any later failure writes the old content back. Temporary files that an earlier, killed save
    // of this user left behind are removed.
    static Result<void> save(const std::string& path, const AniContent& content);

    // Whether every value can be written so that the reader gives it back: no NUL byte, and no
    // value longer in the file than AniReader::maxLineLength. The error names the value.
    static Result<void> checkContent(const std::string& path, const AniContent& content);

    // The exact bytes save writes. A value that holds a comma or a line break, or starts with a
    // double quote or a byte order mark, is written in double quotes with inner quotes doubled, so
    // that reading it back cannot split or strip it; every other value is written as it is.
    static std::string encode(const AniContent& content);
};

}
