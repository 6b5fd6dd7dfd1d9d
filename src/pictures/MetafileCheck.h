// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace pictures {

// What a Windows metafile claims to be, checked before the player replays a record: every record
// is walked here first, and its length and any embedded bitmap measured against the data, so
// that a file that stops inside a record or a bitmap larger than its record is refused whole.
//
// Plain C++ without Qt: the same code runs in the program (for the picture size), in the player
// (for the full check) and under the fuzzer.
class MetafileCheck {
public:
    enum class Kind { None, PlaceableWmf, Wmf, Emf };

    // The rectangle that maps onto the picture, in the metafile's own units.
    struct Frame {
        double left = 0;
        double top = 0;
        double width = 0;
        double height = 0;
        bool isEmpty() const { return !(width > 0 && height > 0); }
    };

    struct Header {
        Kind kind = Kind::None;
        // The drawing's size in pixels at 96 DPI, which may be beyond the picture limits (the
        // player then draws it smaller); 0 x 0 for a plain WMF that sets no window.
        std::int64_t width = 0;
        std::int64_t height = 0;
        // WMF: logical units. EMF: device pixels of the reference device the file was made on.
        Frame frame;
        // Where the records end (the end-of-file record included); 0 after the header alone.
        std::size_t length = 0;
    };

    // Larger files are refused outright; no real clip art comes near it.
    static constexpr std::size_t maxFileSize = 64 * 1024 * 1024;

    // Which kind of metafile the first bytes announce, without checking further.
    static Kind sniff(std::span<const std::uint8_t> head);
    // Header only: kind, size and frame. Cheap enough for every QImageReader::size(). Refuses
    // with NotAPicture, Damaged or TooLarge (a file beyond maxFileSize).
    static Result<Header> inspectHeader(std::span<const std::uint8_t> data);
    // Header and every record.
    static Result<Header> check(std::span<const std::uint8_t> data);
};

}
