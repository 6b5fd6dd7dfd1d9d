// SPDX-License-Identifier: MIT
#pragma once

#include "LittleEndian.h"

#include <QByteArray>
#include <QRgb>

#include <vector>

// Picture files built byte by byte, as the formats' documents lay them out.
namespace pictures::test {

// A bitmap information header of `size` bytes (40, 52, 56, 108, 124, or OS/2's 12 and 16..64).
inline QByteArray infoHeader(int size, qint32 width, qint32 height, int bits, quint32 compression = 0, quint32 colours = 0)
{
    QByteArray h(size, '\0');
    setLe32(h, 0, quint32(size));
    if (size == 12) {
        setLe16(h, 4, quint32(width));
        setLe16(h, 6, quint32(height));
        setLe16(h, 8, 1);
        setLe16(h, 10, quint32(bits));
        return h;
    }
    setLe32(h, 4, quint32(width));
    setLe32(h, 8, quint32(height));
    setLe16(h, 12, 1);
    setLe16(h, 14, quint32(bits));
    if (size >= 20)
        setLe32(h, 16, compression);
    if (size >= 36)
        setLe32(h, 32, colours);
    return h;
}

inline QByteArray masks(std::vector<quint32> values)
{
    QByteArray m(int(values.size()) * 4, '\0');
    for (std::size_t i = 0; i < values.size(); ++i)
        setLe32(m, qsizetype(i) * 4, values[i]);
    return m;
}

// Puts header-with-masks-and-palette and pixels into a "BM" file whose pixels start right after.
inline QByteArray bmpFile(const QByteArray& info, const QByteArray& pixels)
{
    QByteArray f(14, '\0');
    f[0] = 'B';
    f[1] = 'M';
    setLe32(f, 2, quint32(14 + info.size() + pixels.size()));
    setLe32(f, 10, quint32(14 + info.size()));
    return f + info + pixels;
}

inline QByteArray bgra(std::vector<QRgb> colours)
{
    QByteArray p;
    for (QRgb c : colours) {
        p += char(qBlue(c));
        p += char(qGreen(c));
        p += char(qRed(c));
        p += '\0';
    }
    return p;
}

// The fields of a PCX header that the tests vary.
struct PcxHeader {
    int width = 4;
    int height = 2;
    int bits = 8;
    int planes = 1;
    int bytesPerLine = 4;
    int version = 5;
    int encoding = 1;
};

inline QByteArray pcx(const PcxHeader& h, const QByteArray& body, const QByteArray& trailer = {})
{
    QByteArray d(128, '\0');   // the header's fixed size
    d[0] = 0x0A;
    d[1] = char(h.version);
    d[2] = char(h.encoding);
    d[3] = char(h.bits);
    setLe16(d, 8, quint32(quint16(h.width - 1)));
    setLe16(d, 10, quint32(quint16(h.height - 1)));
    // A header palette: entry i is (16 i, 16 i, 16 i) plus one, so that none is black.
    for (int i = 0; i < 16; ++i) {
        for (int c = 0; c < 3; ++c)
            d[16 + 3 * i + c] = char(16 * i + 1);
    }
    d[65] = char(h.planes);
    setLe16(d, 66, quint32(quint16(h.bytesPerLine)));
    return d + body + trailer;
}

}
