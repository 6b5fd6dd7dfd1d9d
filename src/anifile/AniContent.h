// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace anifile {

// Everything an animation file holds, gathered before anything is written, so that a save can no
// longer fail half way through collecting it.
struct AniContent
{
    // The frame count and the rate (milliseconds per picture) exactly as the user typed them;
    // they are kept as text so that what was typed comes back unchanged.
    std::string countText;
    std::string rateText;
    // One entry per frame: the full path of its picture, or empty when the frame has none.
    std::vector<std::string> frames;
};

}
