// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace importer {

// Pictures that already are files, named where they lie: a folder's pictures, or the files a
// numbered pattern such as walk%04d.png names.
class PictureSequence {
public:
    // Whether `input` is a numbered pattern: one printf-style %d, optionally zero-padded (%04d),
    // with %% for a percent sign.
    static bool isPattern(const std::string& input);
    // The full paths, in order: a folder's picture files by name in natural order (walk2.png
    // before walk10.png), a pattern's files by their number. Throws ExportError (BadInput) when
    // there are none or the folder cannot be read.
    static std::vector<std::string> list(const std::string& input);
};

}
