// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace exporter {

// `movelle export ANIMATION.ani OUTPUT [options]`: reads the animation as Open does and writes it
// as an animated GIF or WebP, a video or a picture sequence. Needs a QGuiApplication (metafile
// pictures are drawn through Qt); never shows a window.
class ExportCommand {
public:
    enum Status {
        Done = 0,
        // The animation or a picture cannot be read, or the output cannot be written.
        Failed = 1,
        // The arguments cannot be used.
        Usage = 2,
        // Ctrl-C (or SIGTERM, SIGHUP): stopped, and nothing left behind.
        Interrupted = 130,
    };

    // `arguments` are those after "export". Help goes to `out`, messages and progress to `err`.
    static Status run(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

    // The main window's Export: the same engine with the same arguments, stopped by `stop` (a
    // stopped export leaves nothing behind), each step told to `report` (done, total). The
    // failure's message, or empty when the export was written or stopped.
    static std::string exportForWindow(const std::vector<std::string>& arguments, const std::atomic<bool>& stop,
                                       const std::function<void(int done, int total)>& report);
};

}
