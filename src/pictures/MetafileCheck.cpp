// SPDX-License-Identifier: MIT
#include "pictures/MetafileCheck.h"

#include "pictures/Limits.h"
#include "pictures/MetafileRecords.h"

#include <algorithm>
#include <cmath>

namespace pictures {

namespace {

using Bytes = std::span<const std::uint8_t>;
using Header = MetafileCheck::Header;
using Kind = MetafileCheck::Kind;
using namespace wmf;
using namespace emf;

constexpr std::uint32_t placeableKey = 0x9AC6CDD7;
constexpr std::size_t placeableSize = 22;
constexpr std::size_t wmfHeaderSize = 18;
constexpr std::uint32_t emfSignature = 0x464D4520; // " EMF"
constexpr std::size_t emfMinHeaderSize = 88;
constexpr std::size_t maxRecords = 4'000'000;
constexpr double pixelsPerInch = 96;

std::uint32_t u16(Bytes d, std::size_t at)
{
    return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8;
}

std::int32_t s16(Bytes d, std::size_t at)
{
    return std::int16_t(std::uint16_t(u16(d, at)));
}

std::uint32_t u32(Bytes d, std::size_t at)
{
    return u16(d, at) | u16(d, at + 2) << 16;
}

std::int32_t s32(Bytes d, std::size_t at)
{
    return std::int32_t(u32(d, at));
}

const PictureError damaged { Problem::Damaged };

// False for a drawing of no size. A size beyond the picture limits is kept: the player draws such
// a drawing smaller.
bool setSize(Header& r, double width, double height)
{
    const double w = std::round(width);
    const double h = std::round(height);
    if (!(w >= 1 && h >= 1))
        return false;
    // Clamp before converting so that an absurd header cannot overflow the integers.
    r.width = std::int64_t(std::min(w, 1e12));
    r.height = std::int64_t(std::min(h, 1e12));
    return true;
}

// A DIB inside a bitmap record: header size, dimensions, palette and pixels must all fit in what
// is left of the record. This is where libwmf hangs on a header size of 0 or 1.
bool dibFits(Bytes dib)
{
    if (dib.size() < 12)
        return false;
    const std::uint32_t headerSize = u32(dib, 0);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    if (headerSize == 12) {
        width = u16(dib, 4);
        height = u16(dib, 6);
        bits = u16(dib, 10);
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 || headerSize == 108
        || headerSize == 124) {
        if (dib.size() < headerSize)
            return false;
        width = s32(dib, 4);
        height = s32(dib, 8);
        bits = u16(dib, 14);
        compression = u32(dib, 16);
        coloursUsed = u32(dib, 32);
    } else {
        return false;
    }
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0 || !Limits {}.allows(width, height))
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    constexpr std::uint32_t rgb = 0, rle8 = 1, rle4 = 2, bitfields = 3;
    const bool compressed = compression == rle8 || compression == rle4;
    if (!(compression == rgb || (compression == rle8 && bits == 8) || (compression == rle4 && bits == 4)
            || (compression == bitfields && (bits == 16 || bits == 32))))
        return false;
    if (coloursUsed > 256)
        return false;
    std::int64_t paletteBytes = 0;
    const std::int64_t entrySize = headerSize == 12 ? 3 : 4;
    if (bits <= 8)
        paletteBytes = (coloursUsed ? coloursUsed : (1u << bits)) * entrySize;
    if (compression == bitfields && headerSize == 40)
        paletteBytes += 12;
    const std::int64_t pixelsAt = std::int64_t(headerSize) + paletteBytes;
    if (pixelsAt > std::int64_t(dib.size()))
        return false;
    if (compressed)
        return true;
    const std::int64_t stride = (width * bits + 31) / 32 * 4;
    return stride * height <= std::int64_t(dib.size()) - pixelsAt;
}

// The parameter bytes of the WMF records that carry counts or bitmaps must hold what they claim.
bool wmfRecordFits(std::uint32_t function, Bytes params)
{
    const std::size_t n = params.size();
    switch (function) {
    case META_POLYGON:
    case META_POLYLINE:
        return n >= 2 && std::size_t(u16(params, 0)) * 4 + 2 <= n;
    case META_POLYPOLYGON: {
        if (n < 2)
            return false;
        const std::size_t polygons = u16(params, 0);
        if (2 + polygons * 2 > n)
            return false;
        std::size_t points = 0;
        for (std::size_t i = 0; i < polygons; ++i)
            points += u16(params, 2 + 2 * i);
        return 2 + polygons * 2 + points * 4 <= n;
    }
    case META_TEXTOUT: // count, string padded to even, y, x
        return n >= 2 && 2 + (std::size_t(u16(params, 0)) + 1) / 2 * 2 + 4 <= n;
    case META_EXTTEXTOUT: { // y, x, count, options, [rect], string, [dx]
        if (n < 8)
            return false;
        const std::size_t count = u16(params, 4);
        const std::uint32_t options = u16(params, 6);
        const std::size_t rect = (options & 0x0006) ? 8 : 0; // ETO_OPAQUE | ETO_CLIPPED
        return 8 + rect + count <= n;
    }
    case META_STRETCHDIB:
        return n >= 22 && dibFits(params.subspan(22));
    case META_DIBSTRETCHBLT: // without a bitmap when the raster operation needs no source
        return n >= 20 && (n <= 22 || dibFits(params.subspan(20)));
    case META_DIBBITBLT: // likewise
        return n >= 16 && (n <= 18 || dibFits(params.subspan(16)));
    case META_SETDIBTODEV:
        return n >= 18 && dibFits(params.subspan(18));
    case META_DIBCREATEPATTERNBRUSH:
        return n >= 4 && dibFits(params.subspan(4));
    case META_BITBLT: // BitBlt and StretchBlt with a device-dependent bitmap or none: the player
    case META_STRETCHBLT: // measures the bitmap against its record itself
        return n >= 16;
    default:
        return true;
    }
}

Result<Header> inspectWmfHeader(Bytes d, Header r)
{
    const std::size_t at = r.kind == Kind::PlaceableWmf ? placeableSize : 0;
    if (d.size() < at + wmfHeaderSize)
        return damaged;
    const std::uint32_t type = u16(d, at);
    const std::uint32_t headerWords = u16(d, at + 2);
    const std::uint32_t version = u16(d, at + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return PictureError(r.kind == Kind::PlaceableWmf ? Problem::Damaged : Problem::NotAPicture);
    if (r.kind == Kind::PlaceableWmf) {
        const std::int32_t left = s16(d, 6);
        const std::int32_t top = s16(d, 8);
        const std::int32_t right = s16(d, 10);
        const std::int32_t bottom = s16(d, 12);
        const std::uint32_t unitsPerInch = u16(d, 14);
        if (unitsPerInch == 0 || right == left || bottom == top)
            return damaged;
        r.frame = { double(std::min(left, right)), double(std::min(top, bottom)), double(std::abs(right - left)),
            double(std::abs(bottom - top)) };
        if (!setSize(r, r.frame.width * pixelsPerInch / unitsPerInch, r.frame.height * pixelsPerInch / unitsPerInch))
            return damaged;
    }
    return r;
}

Result<Header> inspectEmfHeader(Bytes d, Header r)
{
    // Only the first 88 bytes are read here; the walk over the records checks the rest.
    if (d.size() < emfMinHeaderSize)
        return damaged;
    const std::uint32_t size = u32(d, 4);
    if (size < emfMinHeaderSize || size % 4 != 0)
        return damaged;
    // Frame in hundredths of a millimetre; the reference device in pixels and millimetres.
    const double frameLeft = s32(d, 24);
    const double frameTop = s32(d, 28);
    const double frameRight = s32(d, 32);
    const double frameBottom = s32(d, 36);
    const double devicePixelsX = s32(d, 72);
    const double devicePixelsY = s32(d, 76);
    const double deviceMmX = s32(d, 80);
    const double deviceMmY = s32(d, 84);
    if (frameRight > frameLeft && frameBottom > frameTop && devicePixelsX > 0 && devicePixelsY > 0 && deviceMmX > 0
        && deviceMmY > 0) {
        const double toDeviceX = devicePixelsX / (deviceMmX * 100);
        const double toDeviceY = devicePixelsY / (deviceMmY * 100);
        r.frame = { frameLeft * toDeviceX, frameTop * toDeviceY, (frameRight - frameLeft) * toDeviceX,
            (frameBottom - frameTop) * toDeviceY };
        if (!setSize(r, (frameRight - frameLeft) * pixelsPerInch / 2540, (frameBottom - frameTop) * pixelsPerInch / 2540))
            return damaged;
    } else {
        // No usable frame: fall back on the bounds, which are inclusive device pixels.
        const double left = s32(d, 8);
        const double top = s32(d, 12);
        const double right = s32(d, 16);
        const double bottom = s32(d, 20);
        if (right < left || bottom < top)
            return damaged;
        r.frame = { left, top, right - left + 1, bottom - top + 1 };
        if (!setSize(r, r.frame.width, r.frame.height))
            return damaged;
    }
    return r;
}

Result<Header> checkWmfRecords(Bytes d, Header r)
{
    const std::size_t start = r.kind == Kind::PlaceableWmf ? placeableSize : 0;
    std::size_t at = start + wmfHeaderSize;
    bool windowOrigin = false;
    bool windowExtent = false;
    for (std::size_t count = 0; count < maxRecords; ++count) {
        if (d.size() - at < 6)
            return damaged;
        const std::uint64_t bytes = std::uint64_t(u32(d, at)) * 2;
        const std::uint32_t function = u16(d, at + 4);
        if (bytes < 6 || bytes > d.size() - at)
            return damaged;
        const Bytes params = d.subspan(at + 6, std::size_t(bytes) - 6);
        if (function == META_EOF) {
            r.length = at + std::size_t(bytes);
            break;
        }
        if (!wmfRecordFits(function, params))
            return damaged;
        // A plain WMF has no frame in its header; the first window it sets is its frame.
        if (r.kind == Kind::Wmf && function == META_SETWINDOWORG && params.size() >= 4 && !windowOrigin) {
            r.frame.top = s16(params, 0);
            r.frame.left = s16(params, 2);
            windowOrigin = true;
        } else if (r.kind == Kind::Wmf && function == META_SETWINDOWEXT && params.size() >= 4 && !windowExtent) {
            r.frame.height = s16(params, 0);
            r.frame.width = s16(params, 2);
            windowExtent = true;
        }
        at += std::size_t(bytes);
    }
    if (r.length == 0)
        return damaged;
    if (r.kind == Kind::Wmf && windowExtent) {
        // Negative extents flip the picture; its size is the same.
        if (r.frame.width < 0) {
            r.frame.left += r.frame.width;
            r.frame.width = -r.frame.width;
        }
        if (r.frame.height < 0) {
            r.frame.top += r.frame.height;
            r.frame.height = -r.frame.height;
        }
        // Plain metafiles come from programs that drew in pixels; take their units as such.
        if (r.frame.isEmpty() || !setSize(r, r.frame.width, r.frame.height))
            return damaged;
    }
    return r;
}

Result<Header> checkEmfRecords(Bytes d, Header r)
{
    // The header's byte count is often wrong in files from old writers; the records decide.
    std::size_t at = 0;
    for (std::size_t count = 0; count < maxRecords; ++count) {
        if (d.size() - at < 8)
            return damaged;
        const std::uint32_t type = u32(d, at);
        const std::uint32_t size = u32(d, at + 4);
        if (size < 8 || size % 4 != 0 || size > d.size() - at)
            return damaged;
        if ((count == 0) != (type == EMR_HEADER))
            return damaged;
        if (type == 0 || type > lastRecordType)
            return damaged;
        at += size;
        if (type == EMR_EOF) {
            r.length = at;
            return r;
        }
    }
    return damaged;
}

}

MetafileCheck::Kind MetafileCheck::sniff(std::span<const std::uint8_t> head)
{
    if (head.size() >= 4 && u32(head, 0) == placeableKey)
        return Kind::PlaceableWmf;
    if (head.size() >= 44 && u32(head, 0) == 1 && u32(head, 40) == emfSignature)
        return Kind::Emf;
    if (head.size() >= 6 && (u16(head, 0) == 1 || u16(head, 0) == 2) && u16(head, 2) == 9
        && (u16(head, 4) == 0x0300 || u16(head, 4) == 0x0100))
        return Kind::Wmf;
    return Kind::None;
}

Result<MetafileCheck::Header> MetafileCheck::inspectHeader(std::span<const std::uint8_t> data)
{
    Header r;
    r.kind = sniff(data);
    if (r.kind == Kind::None)
        return Problem::NotAPicture;
    if (data.size() > maxFileSize)
        return Problem::TooLarge;
    return r.kind == Kind::Emf ? inspectEmfHeader(data, r) : inspectWmfHeader(data, r);
}

Result<MetafileCheck::Header> MetafileCheck::check(std::span<const std::uint8_t> data)
{
    const Result<Header> r = inspectHeader(data);
    if (!r)
        return r;
    return r->kind == Kind::Emf ? checkEmfRecords(data, r.value()) : checkWmfRecords(data, r.value());
}

}
