// SPDX-License-Identifier: MIT
#include "pictures/PictureMemory.h"

#include "pictures/PixelPool.h"

#include <new>

namespace pictures {

Result<QImage> allocatePicture(std::int64_t width, std::int64_t height, QImage::Format format, const Limits& limits)
{
    if (width <= 0 || height <= 0)
        return PictureError::sized(Problem::Empty, width, height);
    if (!limits.allows(width, height))
        return PictureError::tooLarge(width, height);
    try {
        // A decode the store runs writes into the store's recycled memory.
        QImage image = PixelPool::current() ? PixelPool::current()->acquire(QSize(int(width), int(height)), format)
                                            : QImage(int(width), int(height), format);
        // QImage answers a failed allocation with a null image, not an exception.
        if (image.isNull())
            return PictureError::outOfMemory(width, height);
        return image;
    } catch (const std::bad_alloc&) {
        return PictureError::outOfMemory(width, height);
    }
}

}
