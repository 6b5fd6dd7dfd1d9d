// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the bitmap and icon readers, as a file and as a packed DIB from a
// metafile: each must refuse or decode, never read out of bounds or allocate past the limits.
#include "pictures/DibReader.h"
#include "pictures/IconReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Small limits keep each run fast; the checks are the same at any size.
    const pictures::Limits limits { 2048, 16 * 1024 * 1024, 64 * 1024 * 1024 };
    for (const auto& result : { pictures::decodeBmp(bytes, limits), pictures::decodePackedDib(bytes, limits),
             pictures::decodeIcon(bytes, limits) }) {
        if (result.ok() && !limits.allows(result.value().width(), result.value().height()))
            __builtin_trap();
        if (!result.ok() && !result.error().isError())
            __builtin_trap();
    }
    return 0;
}
