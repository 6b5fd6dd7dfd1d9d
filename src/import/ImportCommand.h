// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
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

    // The frames of a GIF, a WebP or a video written for the main window, and their rate.
    struct Imported {
        std::vector<std::string> paths;
        int rate = 100;
    };
    // The main window's import of a dropped file: the frames of `input` written as PNG pictures
    // into `folder`/NAME-frames/ as the command writes them beside NAME.ani, stopped by `stop`,
    // each step told to `report`. Throws ExportError (BadInput, Output, or Interrupted once
    // stopped); a stopped or failed import leaves no file.
    static Imported importFrames(const std::string& input, const std::string& folder, const std::atomic<bool>& stop,
                                 const std::function<void(int done, int total)>& report);
};

}
