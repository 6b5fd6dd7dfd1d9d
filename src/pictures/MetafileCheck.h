// SPDX-License-Identifier: MIT
#pragma once

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
    enum class Problem { None, NotAMetafile, Damaged, TooLarge };

    // The rectangle that maps onto the picture, in the metafile's own units.
    struct Frame {
        double left = 0;
        double top = 0;
        double width = 0;
        double height = 0;
        bool isEmpty() const { return !(width > 0 && height > 0); }
    };

    struct Result {
        Kind kind = Kind::None;
        Problem problem = Problem::NotAMetafile;
        // The picture's size in pixels at 96 DPI; 0 x 0 for a plain WMF that sets no window.
        std::int64_t width = 0;
        std::int64_t height = 0;
        // WMF: logical units. EMF: device pixels of the reference device the file was made on.
        Frame frame;
        // Where the records end (the end-of-file record included); bytes after it are ignored.
        std::size_t length = 0;
        bool ok() const { return problem == Problem::None; }
    };

    // Larger files are refused outright; no real clip art comes near it.
    static constexpr std::size_t maxFileSize = 64 * 1024 * 1024;

    // Which kind of metafile the first bytes announce, without checking further.
    static Kind sniff(std::span<const std::uint8_t> head);
    // Header only: kind, size and frame. Cheap enough for every QImageReader::size().
    static Result inspectHeader(std::span<const std::uint8_t> data);
    // Header and every record.
    static Result check(std::span<const std::uint8_t> data);
};

}
