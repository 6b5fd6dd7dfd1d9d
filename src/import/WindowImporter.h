// SPDX-License-Identifier: MIT
#pragma once

#include "shell/Importer.h"

#include <string>

namespace importer {

// The import engine of `movelle import`, as the main window asks for it when an animated GIF or
// WebP or a video is dropped on it.
class WindowImporter final : public movelle::Importer {
public:
    bool isAnimation(const std::string& path) override;
    Frames import(const std::string& input, const std::string& folder, forms::Progress& progress) override;

    // Whether a file name has the extension of a video: such a file imports whatever its length.
    static bool isVideoName(const std::string& name);
};

}
