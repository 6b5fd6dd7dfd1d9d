// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace movelle {

// The frame count and the rate of an animation file, checked the one way that both the Save and
// the Open dialog use: whatever Save writes, Open opens.
struct AnimationSettings {
    // The count and rate as the main window shows them after an open: their number text, or the
    // empty text for an empty count or rate.
    std::string countText;
    std::string rateText;
    // The frames the count asks for: the whole numbers i with 0 <= i <= count - 1.
    int frames = 0;
    // The playback timer's interval the rate gives.
    std::int64_t interval = 0;

    // The count must be empty or a number, and ask for no more frames than an animation can have;
    // the rate must be empty (an interval of 0, which never plays) or a number that the playback
    // timer accepts once rounded. Otherwise throws
    // forms::Error with a message that names the field and quotes its text, for the dialog to
    // say which file it concerns: the frame count "5x" is not a number.
    static AnimationSettings check(const std::string& count, const std::string& rate);
};

}
