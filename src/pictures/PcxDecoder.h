// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/Result.h"

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>

namespace pictures {

// ZSoft Paintbrush (.pcx) pictures: 1-bit, planar 2- to 16-colour, packed 2- and 4-bit, 8-bit with
// the palette at the end of the file, and 24/32-bit as three or four 8-bit planes. Debian's Qt 6
// has no reader for them, and the files come from any number of old programs, so every length in
// the header is checked against the data before it is used.
class PcxDecoder {
public:
    static constexpr int headerSize = 128;

    // True when the first bytes look like a PCX header we can decode.
    static bool canDecode(QByteArrayView head);

    // Parses and checks the header; decoding can only start from one found sound. The data must
    // outlive the decoder.
    static Result<PcxDecoder> create(QByteArrayView data, const Limits& limits = {});

    QSize size() const { return { m_width, m_height }; }
    QImage::Format format() const;

    // The picture, or why it could not be decoded. The error names no file: the caller knows it.
    Result<QImage> decode(const Limits& limits = {}) const;

private:
    enum class Layout { Unsupported, Mono, Planar, Packed, Indexed8, Rgb, Rgba };

    PcxDecoder() = default;

    QByteArrayView m_data;
    Layout m_layout = Layout::Unsupported;
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    int m_planes = 0;
    int m_bytesPerLine = 0;
    bool m_runLength = false;
    int m_version = 0;
};

}
