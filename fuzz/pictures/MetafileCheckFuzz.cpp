// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the checks every metafile passes before the player sees it: they must
// never read out of bounds, and what they pass must be within the bounds they promise.
#include "pictures/MetafileCheck.h"
#include "pictures/PictureLimits.h"

#include <cstddef>
#include <cstdint>

using pictures::MetafileCheck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const MetafileCheck::Result header = MetafileCheck::inspectHeader(bytes);
    const MetafileCheck::Result checked = MetafileCheck::check(bytes);
    if (checked.ok() && !header.ok())
        __builtin_trap();
    if (!checked.ok())
        return 0;
    if (checked.length == 0 || checked.length > size)
        __builtin_trap();
    if (checked.width != 0 && !pictures::PictureLimits::allows(checked.width, checked.height))
        __builtin_trap();
    return 0;
}
