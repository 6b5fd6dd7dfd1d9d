// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "forms/NumericText.h"
#include "shell/Movelle.h"

#include <vector>

namespace movelle {

using forms::leadingNumber;
using forms::numberText;

// One playback step: hide every frame picture, show the one l names, move l on.
void Form1::Timer1_Timer()
{
    // Text1 is the frame count the user sees, but the user may edit it after building. Only
    // frames that exist take part, so an edited count never raises an error on every tick, and
    // every one of them is hidden, so a count edited downwards leaves no stale picture on screen
    // beside the one this tick shows. While Text1 matches the frames this is exactly its count.
    const int frames = Image1.size();
    hideFramePictures();

    int k = forms::roundToIndex(playingFrame());
    if (!Image1.exists(k)) {
        k = 0;
        setPlayingFrame(0);
    }
    Image1(k).setVisible(true);

    setPlayingFrame(playingFrame() + 1);

    // The wrap test comes after the increment, so l never holds the count after a tick.
    const double next = playingFrame();
    if (leadingNumber(Text1.text()) == next || next >= frames)
        setPlayingFrame(0);

    // The next ticks' pictures, in the order they will be shown, so that they are decoded before
    // their tick comes. Nothing else about the step depends on it.
    std::vector<forms::Picture> upcoming;
    const int first = forms::roundToIndex(playingFrame());
    for (int step = 0; step < kDecodeAhead && step < frames; ++step) {
        if (const forms::Image* picture = Image1.find((first + step) % frames); picture && !picture->picture().isNull())
            upcoming.push_back(picture->picture());
    }
    m_app.decodeAhead(upcoming);
}

void Form1::hideFramePictures()
{
    for (int i = 0; i < Image1.size(); ++i) {
        if (forms::Image* picture = Image1.find(i))
            picture->setVisible(false);
    }
}

// Keeps the two on-screen frame numbers, which are one-based, current.
void Form1::Timer2_Timer()
{
    lv.setCaption(numberText(playingFrame() + 1));
    l6v.setCaption(numberText(selectedFrame() + 1));
}

}
