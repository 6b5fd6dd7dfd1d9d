// SPDX-License-Identifier: MIT
#include "dialogs/AnimationSettings.h"

#include "anifile/Excerpt.h"
#include "forms/ControlArray.h"
#include "forms/Error.h"
#include "forms/NumericText.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace movelle {

namespace {

using forms::Error;
using forms::ErrorKind;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isBlankText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), isBlank);
}

}

AnimationSettings AnimationSettings::check(const std::string& count, const std::string& rate)
{
    AnimationSettings settings;
    double frames = 0;
    if (!isBlankText(count)) {
        double value = 0;
        try {
            value = forms::strictNumber(count);
        } catch (const Error&) {
            throw Error(ErrorKind::TypeMismatch, "the frame count " + anifile::quotedExcerpt(count) + " is not a number");
        }
        settings.countText = forms::numberText(value);
        // The frames are counted from the text the count box will hold, as the frame buttons are.
        frames = forms::leadingNumber(settings.countText);
        if (frames - 1 > forms::ControlArrayBase::kMaxIndex) {
            throw Error(ErrorKind::Overflow,
                        "the frame count " + settings.countText + " is larger than "
                            + std::to_string(forms::ControlArrayBase::kMaxIndex + 1)
                            + ", the most frames an animation can have");
        }
    }
    settings.frames = frames >= 1 ? static_cast<int>(std::floor(frames)) : 0;

    // An empty rate is a rate not given yet, as "Settings finished" takes it: the playback timer
    // gets an interval of 0 and never ticks until the user types one. It is saved and opened as
    // it stands, like an empty count.
    if (isBlankText(rate))
        return settings;
    double rateValue = 0;
    try {
        rateValue = forms::strictNumber(rate);
    } catch (const Error&) {
        throw Error(ErrorKind::TypeMismatch, "the rate " + anifile::quotedExcerpt(rate) + " is not a number");
    }
    settings.rateText = forms::numberText(rateValue);
    // The playback timer gets the rate box's text, rounded; it must accept the result.
    const double interval = forms::roundHalfEven(forms::strictNumber(settings.rateText));
    if (!(interval >= 0 && interval <= 65535)) {
        throw Error(ErrorKind::OutOfRange,
                    "the rate " + settings.rateText
                        + " is out of range; it must lie between 0 and 65535 milliseconds per picture");
    }
    settings.interval = static_cast<std::int64_t>(interval);
    return settings;
}

}
