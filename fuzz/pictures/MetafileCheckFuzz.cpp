// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the checks every metafile passes before the player sees it: they must
// never read out of bounds, and what they pass must be a size the player can draw.
#include "pictures/MetafileCheck.h"

#include <cstddef>
#include <cstdint>

using pictures::MetafileCheck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const auto header = MetafileCheck::inspectHeader(bytes);
    const auto checked = MetafileCheck::check(bytes);
    if (checked.ok() && !header.ok())
        __builtin_trap();
    if (!checked.ok())
        return checked.error().isError() ? 0 : (__builtin_trap(), 0);
    if (checked->length == 0 || checked->length > size)
        __builtin_trap();
    // A size the player can scale: positive, or 0 x 0 for a plain WMF that sets no window.
    if ((checked->width != 0 || checked->height != 0) && (checked->width <= 0 || checked->height <= 0))
        __builtin_trap();
    return 0;
}
