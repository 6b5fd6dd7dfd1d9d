// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

// Small metafiles written record by record, for tests that need one drawing fact at a time.
namespace MetafileBuilder {

inline void put16(QByteArray& d, int v)
{
    d.append(char(v & 0xFF));
    d.append(char((v >> 8) & 0xFF));
}

inline void put32(QByteArray& d, std::uint32_t v)
{
    put16(d, int(v & 0xFFFF));
    put16(d, int(v >> 16));
}

inline std::uint32_t rgb(int r, int g, int b)
{
    return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
}

inline std::span<const std::uint8_t> bytesOf(const QByteArray& d)
{
    return { reinterpret_cast<const std::uint8_t*>(d.constData()), std::size_t(d.size()) };
}

// A BITMAPINFOHEADER of one plane; the resolution and important colours are left at zero.
inline QByteArray dibInfo(int width, int height, int bits, std::uint32_t compression = 0, std::uint32_t imageSize = 0,
    std::uint32_t coloursUsed = 0)
{
    QByteArray d;
    for (const std::uint32_t v : { 40u, std::uint32_t(width), std::uint32_t(height), 0x10000u * std::uint32_t(bits) + 1,
             compression, imageSize, 0u, 0u, coloursUsed, 0u })
        put32(d, v);
    return d;
}

// A placeable WMF whose logical units are pixels of a width x height picture.
class Wmf {
public:
    Wmf(int width, int height)
        : m_width(width)
        , m_height(height)
    {
    }
    // A record of 16-bit words, as most WMF records are.
    Wmf& record(int function, std::initializer_list<int> words)
    {
        put32(m_records, std::uint32_t(3 + words.size()));
        put16(m_records, function);
        for (const int w : words)
            put16(m_records, w);
        return *this;
    }
    // A record whose parameters are raw bytes (padded to whole words).
    Wmf& raw(int function, QByteArray params)
    {
        if (params.size() % 2)
            params.append('\0');
        put32(m_records, std::uint32_t(3 + params.size() / 2));
        put16(m_records, function);
        m_records.append(params);
        return *this;
    }
    QByteArray bytes(bool placeable = true) const
    {
        QByteArray body = m_records;
        put32(body, 3);
        put16(body, 0);
        QByteArray out;
        if (placeable) {
            put32(out, 0x9AC6CDD7);
            put16(out, 0);
            put16(out, 0);
            put16(out, 0);
            put16(out, m_width);
            put16(out, m_height);
            put16(out, 96);
            put32(out, 0);
            put16(out, 0);
        }
        put16(out, 1);
        put16(out, 9);
        put16(out, 0x0300);
        put32(out, std::uint32_t((18 + body.size()) / 2));
        put16(out, 16);
        put32(out, 0);
        put16(out, 0);
        return out + body;
    }

private:
    int m_width;
    int m_height;
    QByteArray m_records;
};

// An EMF on a 96 DPI reference device, so that device pixels are picture pixels.
class Emf {
public:
    Emf(int width, int height)
        : m_width(width)
        , m_height(height)
    {
    }
    Emf& record(std::uint32_t type, std::initializer_list<std::uint32_t> fields)
    {
        put32(m_records, type);
        put32(m_records, std::uint32_t(8 + 4 * fields.size()));
        for (const std::uint32_t f : fields)
            put32(m_records, f);
        ++m_count;
        return *this;
    }
    // A record with raw bytes after its type and size (padded to whole 32-bit words).
    Emf& raw(std::uint32_t type, QByteArray fields)
    {
        while (fields.size() % 4)
            fields.append('\0');
        put32(m_records, type);
        put32(m_records, std::uint32_t(8 + fields.size()));
        m_records.append(fields);
        ++m_count;
        return *this;
    }
    // Where the drawing lies in device pixels, inclusive; the whole picture unless told.
    Emf& bounds(int left, int top, int right, int bottom)
    {
        m_bounds = { left, top, right, bottom };
        m_boundsSet = true;
        return *this;
    }
    QByteArray bytes() const
    {
        QByteArray out;
        put32(out, 1);
        put32(out, 88);
        const std::array<int, 4> b = m_boundsSet ? m_bounds : std::array<int, 4> { 0, 0, m_width - 1, m_height - 1 };
        for (const int v : b)
            put32(out, std::uint32_t(v));
        // The frame in hundredths of a millimetre: 2540 / 96 per pixel.
        for (const int v : { 0, 0, m_width * 2540 / 96, m_height * 2540 / 96 })
            put32(out, std::uint32_t(v));
        put32(out, 0x464D4520);
        put32(out, 0x10000);
        put32(out, 0); // bytes, patched below
        put32(out, std::uint32_t(m_count + 2));
        put16(out, 16);
        put16(out, 0);
        put32(out, 0);
        put32(out, 0);
        put32(out, 0);
        for (const int v : { 960, 960, 254, 254 })
            put32(out, std::uint32_t(v));
        out += m_records;
        put32(out, 14);
        put32(out, 20);
        put32(out, 0);
        put32(out, 16);
        put32(out, 20);
        const std::uint32_t size = std::uint32_t(out.size());
        for (int i = 0; i < 4; ++i)
            out[48 + i] = char(size >> (8 * i) & 0xFF);
        return out;
    }

private:
    int m_width;
    int m_height;
    int m_count = 0;
    std::array<int, 4> m_bounds {};
    bool m_boundsSet = false;
    QByteArray m_records;
};

}
