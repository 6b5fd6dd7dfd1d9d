// SPDX-License-Identifier: MIT
#include "EmfToSvg.h"

#include "SvgEdit.h"

#include <emf2svg.h>
#include <uemf_safe.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace forms::qt {

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
    std::vector<char> bytes(data.begin(), data.begin() + std::ptrdiff_t(checked.length));
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
