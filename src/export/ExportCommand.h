// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
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
};

}
