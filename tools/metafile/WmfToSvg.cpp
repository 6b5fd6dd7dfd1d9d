// SPDX-License-Identifier: MIT
#include "WmfToSvg.h"

#include "SvgEdit.h"
#include "pictures/PictureLimits.h"

#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cmath>
#include <vector>

namespace pictures {

namespace {

constexpr std::size_t placeableSize = 22;
constexpr std::size_t headerSize = 18;

void put16(std::vector<std::uint8_t>& out, int v)
{
    out.push_back(std::uint8_t(v & 0xff));
    out.push_back(std::uint8_t((v >> 8) & 0xff));
}

void record(std::vector<std::uint8_t>& out, int function, std::initializer_list<int> params)
{
    const std::uint32_t words = 3 + std::uint32_t(params.size());
    put16(out, int(words & 0xffff));
    put16(out, int(words >> 16));
    put16(out, function);
    for (int p : params)
        put16(out, p);
}

// Windows plays a placeable metafile by mapping its frame onto the output rectangle; the file's
// own window records then refine that. libwmf instead stretches whatever it finds drawn over the
// whole canvas. Setting up the mapping ourselves, in front of the file's records, and handing
// libwmf a canvas in pixels gives the Windows result.
std::vector<std::uint8_t> withMapping(std::span<const std::uint8_t> data, const MetafileCheck::Result& checked,
    long long width, long long height)
{
    const std::size_t at = checked.kind == MetafileCheck::Kind::PlaceableWmf ? placeableSize : 0;
    std::vector<std::uint8_t> prologue;
    constexpr int anisotropic = 8;
    const MetafileCheck::Frame& f = checked.frame;
    record(prologue, 0x0103, { anisotropic });
    record(prologue, 0x020B, { int(f.top), int(f.left) });
    record(prologue, 0x020C, { int(f.height), int(f.width) });
    record(prologue, 0x020D, { 0, 0 });
    record(prologue, 0x020E, { int(height), int(width) });

    std::vector<std::uint8_t> out(data.begin(), data.begin() + std::ptrdiff_t(at + headerSize));
    out.insert(out.end(), prologue.begin(), prologue.end());
    out.insert(out.end(), data.begin() + std::ptrdiff_t(at + headerSize), data.begin() + std::ptrdiff_t(checked.length));
    // The header counts the file in 16-bit words.
    std::uint32_t words = std::uint32_t(out[at + 6]) | std::uint32_t(out[at + 7]) << 8
        | std::uint32_t(out[at + 8]) << 16 | std::uint32_t(out[at + 9]) << 24;
    words += std::uint32_t(prologue.size() / 2);
    for (int i = 0; i < 4; ++i)
        out[at + 6 + std::size_t(i)] = std::uint8_t(words >> (8 * i));
    return out;
}

class Api {
public:
    Api()
    {
        wmfAPI_Options options {};
        options.function = wmf_svg_function;
        const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&m_api, flags, &options) != wmf_E_None)
            m_api = nullptr;
    }
    ~Api()
    {
        if (m_api)
            wmf_api_destroy(m_api);
    }
    Api(const Api&) = delete;
    Api& operator=(const Api&) = delete;
    wmfAPI* get() const { return m_api; }

private:
    wmfAPI* m_api = nullptr;
};

}

WmfToSvg::Outcome WmfToSvg::convert(std::span<const std::uint8_t> data, const MetafileCheck::Result& checked)
{
    Outcome outcome;
    const bool framed = !checked.frame.isEmpty() && checked.width > 0 && checked.height > 0;
    std::vector<std::uint8_t> bytes = framed ? withMapping(data, checked, checked.width, checked.height)
                                             : std::vector<std::uint8_t>(data.begin(), data.begin() + std::ptrdiff_t(checked.length));

    Api api;
    if (!api.get()) {
        outcome.problem = MetafileCheck::Problem::Damaged;
        return outcome;
    }
    if (wmf_mem_open(api.get(), bytes.data(), long(bytes.size())) != wmf_E_None) {
        outcome.problem = MetafileCheck::Problem::Damaged;
        return outcome;
    }
    wmfD_Rect scanned {};
    if (wmf_scan(api.get(), 0, &scanned) != wmf_E_None) {
        outcome.problem = MetafileCheck::Problem::Damaged;
        return outcome;
    }

    long long width = checked.width;
    long long height = checked.height;
    wmfD_Rect canvas {};
    if (framed) {
        canvas.TL = { 0, 0 };
        canvas.BR = { float(width), float(height) };
    } else {
        // A plain metafile that never sets a window: libwmf's own measure of what it draws.
        unsigned int w = 0;
        unsigned int h = 0;
        if (wmf_display_size(api.get(), &w, &h, 96, 96) != wmf_E_None || w == 0 || h == 0) {
            outcome.problem = MetafileCheck::Problem::Damaged;
            return outcome;
        }
        width = w;
        height = h;
        canvas = scanned;
    }
    outcome.width = width;
    outcome.height = height;
    if (!PictureLimits::allows(width, height)) {
        outcome.problem = MetafileCheck::Problem::TooLarge;
        return outcome;
    }

    wmf_svg_t* device = WMF_SVG_GetData(api.get());
    device->out = wmf_stream_create(api.get(), nullptr);
    device->Description = const_cast<char*>("Movelle");
    device->bbox = canvas;
    device->width = unsigned(width);
    device->height = unsigned(height);
    device->flags |= WMF_SVG_INLINE_IMAGES;
    const wmf_error_t played = wmf_play(api.get(), 0, &canvas);
    char* text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api.get(), device->out, &text, &length);
    if (played != wmf_E_None || !text || length == 0) {
        outcome.problem = MetafileCheck::Problem::Damaged;
        return outcome;
    }
    std::string svg(text, length);

    SvgEdit::removeDoctype(svg);
    if (!SvgEdit::setRoot(svg, width, height, { 0, 0, double(width), double(height) })) {
        outcome.problem = MetafileCheck::Problem::Damaged;
        return outcome;
    }
    SvgEdit::fixImages(svg);
    // Metafiles have no partial transparency; libwmf marks every fill as half transparent.
    SvgEdit::replaceAll(svg, "fill-opacity:0.5;", "fill-opacity:1;");
    outcome.svg = std::move(svg);
    return outcome;
}

}
