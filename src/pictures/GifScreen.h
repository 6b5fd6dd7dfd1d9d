// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QRect>

class QImage;

namespace pictures {

// A GIF draws its frames onto a logical screen that can be larger than its first frame. The part of
// the screen that frame leaves uncovered belongs to no frame; Qt's reader paints it in the frame's
// background colour, where browsers and the other readers show it transparent.
class GifScreen {
public:
    // The first frame's rectangle on the screen, or an empty one when the bytes are no GIF or end
    // before the first frame.
    static QRect firstFrame(QByteArrayView bytes);
    // Makes the pixels of a decoded GIF outside its first frame transparent.
    static void clearOutsideFirstFrame(QImage& image, QByteArrayView bytes);
};

}
