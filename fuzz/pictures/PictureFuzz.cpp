// SPDX-License-Identifier: MIT
// The entry point users hit: the bytes of a file, decoded the way Load Frame and Open decode them
// (our readers, then Qt's, by content). Run it with an RSS limit (build.sh passes -rss_limit_mb).
#include "pictures/PictureReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const pictures::Result<QImage> result = pictures::decodePicture(bytes);
    if (result.ok() && result.value().isNull())
        __builtin_trap();
    if (!result.ok() && !result.error().isError())
        __builtin_trap();
    return 0;
}
