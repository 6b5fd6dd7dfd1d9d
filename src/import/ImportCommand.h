// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace importer {

// `movelle import INPUT OUTPUT.ani [--rate MS]`: turns an animated GIF or WebP, a video or a
// numbered picture sequence into an animation file. Frames that are not files yet are written as
// PNG pictures into OUTPUT-frames/ beside the animation. Needs a QGuiApplication; never shows a
// window. Exit statuses are those of `movelle export`.
class ImportCommand {
public:
    // `arguments` are those after "import". Help goes to `out`, messages and progress to `err`.
    static int run(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

    // The rate most of the frames last, in whole milliseconds (at least 1); 100 when no frame
    // says how long it lasts.
    static int commonDuration(const std::vector<int>& durations);

    static std::string helpText();
};

}
