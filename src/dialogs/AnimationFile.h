// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs/AnimationSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace movelle {

// An animation file read and checked, before any picture is decoded: what Open rebuilds the frame
// set from and what the export command turns into a GIF, WebP, video or picture sequence. Both
// read files through this one class so that they accept the same files with the same messages;
// the count and the rate pass the same check as the Save dialog's.
struct AnimationFile : AnimationSettings {
    // Per frame: the path its line gave (after looking beside the file for a moved picture), or
    // nothing when the file ended before the frame's line.
    std::vector<std::optional<std::string>> paths;

    // Reads the file at path and checks the count and the rate. Throws forms::Error naming the
    // file and the cause; the message says what went wrong, the caller says what was not done
    // ("The animation was not opened: " + message).
    static AnimationFile read(const std::string& path);

    // "Frame 3", "Frames 2 and 5", "Frames 2, 5 and 7-9": zero-based indexes named one-based, as
    // the frame buttons count. The indexes must be ascending.
    static std::string framesPhrase(const std::vector<int>& indexes);
};

}
