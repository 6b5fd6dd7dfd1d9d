// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

#include <QRect>
#include <QtMath>

namespace forms::qt {

// 1440 twips to the inch at Qt's logical 96 DPI: 15 twips to a device-independent pixel.
// High-DPI screens are handled by Qt's device pixel ratio.
inline int toPixels(float twips)
{
    return qRound(static_cast<double>(twips) / static_cast<double>(kTwipsPerPixel));
}

inline QRect pixelRect(const Control& c)
{
    const int left = toPixels(c.left());
    const int top = toPixels(c.top());
    return QRect(left, top, toPixels(c.left() + c.width()) - left, toPixels(c.top() + c.height()) - top);
}

}
