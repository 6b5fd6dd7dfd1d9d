// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/Result.h"

#include <QImage>

namespace pictures {

// The one place pixel memory for a decoded picture comes from. It refuses a picture of no pixels as
// empty, one over the limits as too large, and says so when the machine has no memory for it, so
// no reader can forget a check or let std::bad_alloc escape. On a thread that decodes for the
// picture store the pixels come from the store's pool (PixelPool::Use).
Result<QImage> allocatePicture(std::int64_t width, std::int64_t height, QImage::Format format, const Limits& limits);

}
