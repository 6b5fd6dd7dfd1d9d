// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the PCX decoder: it must refuse or decode, never read out of bounds.
#include "pictures/PcxDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    pictures::PcxDecoder decoder(bytes);
    const pictures::PictureReadResult result = decoder.decode();
    // Whatever comes back is either a picture of the header's size or an error, never both.
    if (result.image.isNull() == result.error.isEmpty())
        __builtin_trap();
    if (!result.image.isNull() && result.image.size() != decoder.size())
        __builtin_trap();
    return 0;
}
