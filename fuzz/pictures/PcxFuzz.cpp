// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the PCX decoder: it must refuse or decode, never read out of bounds.
#include "pictures/PcxDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const pictures::Result<pictures::PcxDecoder> decoder = pictures::PcxDecoder::create(bytes);
    if (!decoder)
        return 0;
    const pictures::Result<QImage> result = decoder->decode();
    // Whatever comes back is either a picture of the header's size or an error.
    if (result.ok() && result.value().size() != decoder->size())
        __builtin_trap();
    return 0;
}
