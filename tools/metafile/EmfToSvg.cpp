// SPDX-License-Identifier: MIT
#include "EmfToSvg.h"

#include "SvgEdit.h"

#include <emf2svg.h>
#include <uemf_safe.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace pictures {

namespace {

std::uint32_t u32(std::span<const std::uint8_t> d, std::size_t at)
{
    return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16
        | std::uint32_t(d[at + 3]) << 24;
}

void put32(std::vector<char>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xff));
}

// emf2svg draws every pen made by CreatePen one pixel wide, and takes the width of an
// ExtCreatePen pen as pixels whatever the mapping. So each CreatePen wider than a pixel becomes an
// ExtCreatePen whose width is already in pixels, scaled by the mapping in force where the pen is
// made (files set their mapping once, up front, in practice).
std::vector<char> withPixelPens(std::span<const std::uint8_t> data, std::size_t length)
{
    constexpr std::uint32_t setWindowExt = 9, setViewportExt = 11, setMapMode = 17, createPen = 38, extCreatePen = 95;
    constexpr std::uint32_t mmText = 1, mmIsotropic = 7, mmAnisotropic = 8;
    constexpr std::uint32_t psGeometric = 0x00010000, psNull = 5;
    // Device pixels per millimetre of the reference device, for the metric mapping modes.
    const double pxPerMm = u32(data, 80) ? double(std::int32_t(u32(data, 72))) / std::int32_t(u32(data, 80)) : 96 / 25.4;
    std::uint32_t mapMode = mmText;
    double windowX = 1;
    double viewportX = 1;

    std::vector<char> out;
    out.reserve(length + 1024);
    std::size_t at = 0;
    while (at + 8 <= length) {
        const std::uint32_t type = u32(data, at);
        const std::uint32_t size = u32(data, at + 4);
        if (type == setMapMode && size >= 12)
            mapMode = u32(data, at + 8);
        else if (type == setWindowExt && size >= 16)
            windowX = std::int32_t(u32(data, at + 8));
        else if (type == setViewportExt && size >= 16)
            viewportX = std::int32_t(u32(data, at + 8));

        const std::uint32_t style = size >= 28 ? u32(data, at + 12) & 0x0F : psNull;
        const auto width = size >= 28 ? std::int32_t(u32(data, at + 16)) : 0;
        if (type == createPen && size >= 28 && style != psNull && width > 1) {
            double scale = 1;
            switch (mapMode) {
            case mmIsotropic:
            case mmAnisotropic: scale = windowX != 0 ? std::abs(viewportX / windowX) : 1; break;
            case 2: scale = pxPerMm / 10; break;          // MM_LOMETRIC
            case 3: scale = pxPerMm / 100; break;         // MM_HIMETRIC
            case 4: scale = pxPerMm * 0.254; break;       // MM_LOENGLISH
            case 5: scale = pxPerMm * 0.0254; break;      // MM_HIENGLISH
            case 6: scale = pxPerMm * 25.4 / 1440; break; // MM_TWIPS
            default: break;
            }
            const double pixels = std::min(std::max(1.0, width * scale), 10000.0);
            put32(out, extCreatePen);
            put32(out, 52);
            put32(out, u32(data, at + 8)); // handle
            for (int i = 0; i < 4; ++i)
                put32(out, 0); // no brush bitmap
            put32(out, psGeometric | style);
            put32(out, std::uint32_t(pixels + 0.5));
            put32(out, 0); // solid brush
            put32(out, u32(data, at + 24));
            put32(out, 0);
            put32(out, 0);
        } else {
            out.insert(out.end(), data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + size));
        }
        at += size;
    }
    // The header's byte count follows the file.
    const std::uint32_t total = std::uint32_t(out.size());
    for (int i = 0; i < 4; ++i)
        out[48 + std::size_t(i)] = char((total >> (8 * i)) & 0xff);
    return out;
}

}

bool EmfToSvg::recordsAreSafe(std::span<const std::uint8_t> data, std::size_t length)
{
    // MetafileCheck has already made sure each record's size stays inside the data.
    std::size_t at = 0;
    while (at + 8 <= length) {
        const std::size_t size = std::size_t(data[at + 4]) | std::size_t(data[at + 5]) << 8
            | std::size_t(data[at + 6]) << 16 | std::size_t(data[at + 7]) << 24;
        if (size < 8 || size > length - at)
            return false;
        if (!U_emf_record_safe(reinterpret_cast<const char*>(data.data() + at)))
            return false;
        at += size;
    }
    return at == length;
}

std::optional<std::string> EmfToSvg::convert(std::span<const std::uint8_t> data, const MetafileCheck::Result& checked)
{
    // emf2svg wants a writable buffer; give it a copy that ends with the last record.
    std::vector<char> bytes = withPixelPens(data, checked.length);
    generatorOptions options {};
    options.nameSpace = const_cast<char*>("");
    options.verbose = false;
    // EMF+ records would take emf2svg's far less exercised code; every EMF+ file carries plain EMF
    // records for programs that ignore them, and so do we.
    options.emfplus = false;
    options.svgDelimiter = true;
    char* out = nullptr;
    std::size_t length = 0;
    const int converted = emf2svg(bytes.data(), bytes.size(), &out, &length, &options);
    const std::unique_ptr<char, decltype(&std::free)> owner(out, &std::free);
    if (!converted || !out || length == 0)
        return std::nullopt;
    std::string svg(out, length);

    // emf2svg moves the drawing by translate(-x, -y) of the bounds; the frame moves with it.
    double shiftX = 0;
    double shiftY = 0;
    const std::string translate = "<g transform=\"translate(";
    const std::size_t at = svg.find(translate);
    if (at != std::string::npos) {
        char* end = nullptr;
        shiftX = std::strtod(svg.c_str() + at + translate.size(), &end);
        if (end && *end == ',')
            shiftY = std::strtod(end + 1, nullptr);
    }
    const MetafileCheck::Frame& f = checked.frame;
    if (!SvgEdit::setRoot(svg, checked.width, checked.height, { f.left + shiftX, f.top + shiftY, f.width, f.height }))
        return std::nullopt;
    SvgEdit::fixImages(svg);
    return svg;
}

}
