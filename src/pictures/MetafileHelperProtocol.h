// SPDX-License-Identifier: MIT
#pragma once

namespace pictures {

// How the movelle-metafile helper answers: SVG on standard output and exit code ok, or one of the
// other exit codes with nothing useful on standard output. For tooLarge the helper writes the
// picture's width and height, separated by a space, on standard error.
class MetafileHelperProtocol {
public:
    static constexpr const char* programName = "movelle-metafile";
    static constexpr int ok = 0;
    static constexpr int notAMetafile = 10;
    static constexpr int damaged = 11;
    static constexpr int tooLarge = 12;
    static constexpr int conversionFailed = 13;
    static constexpr int usage = 64;
};

}
