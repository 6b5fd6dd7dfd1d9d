// SPDX-License-Identifier: MIT
// Plays arbitrary bytes as a metafile, as the picture reader does: no read out of bounds, no
// undefined behaviour, no allocation beyond the picture limits, and an answer within the bounds.
#include "pictures/MetafilePlayer.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

// fontconfig keeps what it learns about each font name for the life of the process; a new face
// name in a fuzzed record looks like a leak to LeakSanitizer, but it is a cache.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Text needs the font database, which needs a GUI application; offscreen needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    pictures::MetafilePlayer::Bounds bounds;
    // Small budgets keep each run short; the player's answer to running out is what is under test.
    bounds.minWork = std::int64_t(4) << 20;
    bounds.maxWork = std::int64_t(64) << 20;
    bounds.time = std::chrono::milliseconds(2000);
    const pictures::Limits limits;
    const pictures::Result<QImage> r = pictures::MetafilePlayer::play({ data, size }, limits, bounds);
    if (r.ok() && (r->isNull() || !limits.allows(r->width(), r->height())))
        __builtin_trap();
    if (!r.ok() && !r.error().isError())
        __builtin_trap();
    return 0;
}
