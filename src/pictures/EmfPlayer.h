// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/MetafileCheck.h"

#include <chrono>
#include <cstdint>
#include <span>

namespace pictures {

class MetafileCanvas;

// Replays the records of a enhanced metafile (EMF) onto a canvas.
class EmfPlayer {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    // `checked` is what MetafileCheck found in `data`. False when the deadline
    // passed before the last record.
    static bool play(std::span<const std::uint8_t> data, const MetafileCheck::Header& checked, MetafileCanvas& canvas,
        Deadline deadline);
};

}
