// SPDX-License-Identifier: MIT
#include "export/GifEncoder.h"

#include "export/ExportError.h"

#include <libimagequant.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace exporter {

namespace {

void put16(std::string& out, int value)
{
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>((value >> 8) & 0xff));
}

// Packs variable-width codes least significant bit first into data sub-blocks of at most 255 bytes.
class CodeWriter {
public:
    explicit CodeWriter(std::string& out)
        : m_out(out)
    {
    }
    void put(int code, int bits)
    {
        m_accumulator |= static_cast<std::uint32_t>(code) << m_bits;
        m_bits += bits;
        while (m_bits >= 8) {
            byte(static_cast<char>(m_accumulator & 0xff));
            m_accumulator >>= 8;
            m_bits -= 8;
        }
    }
    void finish()
    {
        if (m_bits > 0)
            byte(static_cast<char>(m_accumulator & 0xff));
        flushBlock();
        m_out.push_back('\0');
    }

private:
    void byte(char b)
    {
        m_block.push_back(b);
        if (m_block.size() == 255)
            flushBlock();
    }
    void flushBlock()
    {
        if (m_block.empty())
            return;
        m_out.push_back(static_cast<char>(m_block.size()));
        m_out += m_block;
        m_block.clear();
    }

    std::string& m_out;
    std::string m_block;
    std::uint32_t m_accumulator = 0;
    int m_bits = 0;
};

// The smallest rectangle holding every pixel in which the two frames differ; empty when equal.
QRect changedRect(const QImage& previous, const QImage& current)
{
    if (previous.isNull())
        return current.rect();
    int top = -1;
    int bottom = -1;
    int left = current.width();
    int right = -1;
    for (int y = 0; y < current.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(previous.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(current.constScanLine(y));
        if (std::memcmp(a, b, static_cast<std::size_t>(current.width()) * sizeof(QRgb)) == 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        int x = 0;
        while (a[x] == b[x])
            ++x;
        left = std::min(left, x);
        x = current.width() - 1;
        while (a[x] == b[x])
            --x;
        right = std::max(right, x);
    }
    if (top < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

}

std::string GifEncoder::compress(const std::uint8_t* indexes, std::size_t count, int minimumCodeSize)
{
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    constexpr int maxCode = 4096;
    // Open addressing over (prefix code, next index) pairs; 5003 is the classic prime for 12 bits.
    constexpr int tableSize = 5003;
    std::vector<std::int32_t> keys(tableSize, -1);
    std::vector<std::int16_t> codes(tableSize, 0);

    std::string out;
    CodeWriter writer(out);
    int bits = minimumCodeSize + 1;
    int nextCode = endCode + 1;
    writer.put(clearCode, bits);
    if (count == 0) {
        writer.put(endCode, bits);
        writer.finish();
        return out;
    }

    int prefix = indexes[0];
    for (std::size_t i = 1; i < count; ++i) {
        const int c = indexes[i];
        const std::int32_t key = (prefix << 8) | c;
        int slot
            = static_cast<int>((static_cast<std::uint32_t>(c) << 4 ^ static_cast<std::uint32_t>(prefix)) % tableSize);
        const int step = slot == 0 ? 1 : tableSize - slot;
        while (keys[static_cast<std::size_t>(slot)] != -1 && keys[static_cast<std::size_t>(slot)] != key) {
            slot -= step;
            if (slot < 0)
                slot += tableSize;
        }
        if (keys[static_cast<std::size_t>(slot)] == key) {
            prefix = codes[static_cast<std::size_t>(slot)];
            continue;
        }
        writer.put(prefix, bits);
        if (nextCode < maxCode) {
            keys[static_cast<std::size_t>(slot)] = key;
            codes[static_cast<std::size_t>(slot)] = static_cast<std::int16_t>(nextCode);
            // The decoder widens its codes once its table reaches the next power of two, which
            // happens one code later on its side; widening after adding the code matches it.
            if (nextCode == (1 << bits) && bits < 12)
                ++bits;
            ++nextCode;
        } else {
            // The table is full: start again so that new patterns can be learnt.
            writer.put(clearCode, bits);
            std::fill(keys.begin(), keys.end(), -1);
            bits = minimumCodeSize + 1;
            nextCode = endCode + 1;
        }
        prefix = c;
    }
    writer.put(prefix, bits);
    writer.put(endCode, bits);
    writer.finish();
    return out;
}

namespace {

// One frame's block: the graphic control extension (its delay left at 0 for the writer to fill
// in), the image descriptor, the frame's own colour table and the compressed indexes. Runs on a
// worker; `attr` is the frame's own copy of the quantiser's settings.
std::string frameBlock(const QImage& previous, const QImage& frame, Handle<liq_attr> attr, bool dither)
{
    const QRect rect = changedRect(previous, frame);
    std::string block;
    if (rect.isEmpty()) {
        // Nothing changed: a single transparent pixel carries the delay.
        block += "\x21\xf9\x04";
        block.push_back(static_cast<char>((1 << 2) | 1));
        put16(block, 0);
        block += std::string("\0\0", 2);
        block.push_back('\x2c');
        put16(block, 0);
        put16(block, 0);
        put16(block, 1);
        put16(block, 1);
        block.push_back(static_cast<char>(0x80));
        block += std::string(6, '\0');
        block.push_back('\x02');
        const std::uint8_t zero = 0;
        block += GifEncoder::compress(&zero, 1, 2);
        return block;
    }

    const QImage part = frame.copy(rect).convertToFormat(QImage::Format_RGBA8888);
    // Rows must be contiguous for liq_image_create_rgba; a copy of a QImage has 4-byte-aligned
    // rows, which for 32-bit pixels is exactly width * 4.
    const Handle<liq_image> image(liq_image_create_rgba(attr.get(), part.constBits(), part.width(), part.height(), 0));
    liq_result* rawResult = nullptr;
    if (!image || liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK)
        throw ExportError(ExportError::Kind::Output, "the colour quantizer failed on a frame");
    const Handle<liq_result> result(rawResult);
    liq_set_dithering_level(result.get(), dither ? 1.0f : 0.0f);
    std::vector<std::uint8_t> indexes(static_cast<std::size_t>(part.width()) * static_cast<std::size_t>(part.height()));
    if (liq_write_remapped_image(result.get(), image.get(), indexes.data(), indexes.size()) != LIQ_OK)
        throw ExportError(ExportError::Kind::Output, "the colour quantizer failed on a frame");
    const liq_palette* palette = liq_get_palette(result.get());

    int tableBits = 1;
    while ((1u << tableBits) < palette->count)
        ++tableBits;

    block += "\x21\xf9\x04";
    // Disposal 1: the frame stays, so the next one only needs to cover what changes.
    block.push_back(static_cast<char>(1 << 2));
    put16(block, 0);
    block += std::string("\0\0", 2);
    block.push_back('\x2c');
    put16(block, rect.x());
    put16(block, rect.y());
    put16(block, rect.width());
    put16(block, rect.height());
    block.push_back(static_cast<char>(0x80 | (tableBits - 1)));
    for (unsigned i = 0; i < (1u << tableBits); ++i) {
        const liq_color c = i < palette->count ? palette->entries[i] : liq_color {0, 0, 0, 0};
        block.push_back(static_cast<char>(c.r));
        block.push_back(static_cast<char>(c.g));
        block.push_back(static_cast<char>(c.b));
    }
    const int minimumCodeSize = std::max(2, tableBits);
    block.push_back(static_cast<char>(minimumCodeSize));
    block += GifEncoder::compress(indexes.data(), indexes.size(), minimumCodeSize);
    return block;
}

// The step of 10 ms nearest to a time in milliseconds.
std::int64_t nearestStep(std::int64_t ms)
{
    return (ms + 5) / 10;
}

}

std::unique_ptr<GifEncoder> GifEncoder::create(const std::string& path, int width, int height, Settings settings)
{
    Handle<liq_attr> attr(liq_attr_create());
    if (!attr)
        throw ExportError(ExportError::Kind::Output, "cannot write " + path + ": cannot start the colour quantizer");
    if (liq_set_quality(attr.get(), 0, settings.quality) != LIQ_OK) {
        throw ExportError(ExportError::Kind::Output,
            "cannot write " + path + ": the colour quantizer refused quality " + std::to_string(settings.quality));
    }
    Handle<std::FILE> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw ExportError(ExportError::Kind::Output, "cannot write " + path + ": " + std::strerror(errno));
    std::unique_ptr<GifEncoder> encoder(new GifEncoder(path, std::move(file), std::move(attr), settings));

    std::string header = "GIF89a";
    put16(header, width);
    put16(header, height);
    // No global colour table: every frame brings its own.
    header += std::string("\0\0\0", 3);
    // Loop for ever.
    header += "\x21\xff\x0bNETSCAPE2.0\x03\x01";
    put16(header, 0);
    header.push_back('\0');
    encoder->write(header);
    // A file that cannot take even the header says so now, before any frame is decoded.
    if (std::fflush(encoder->m_file.get()) != 0)
        encoder->fail();
    return encoder;
}

GifEncoder::GifEncoder(std::string path, Handle<std::FILE> file, Handle<liq_attr> attr, Settings settings)
    : m_path(std::move(path))
    , m_file(std::move(file))
    , m_attr(std::move(attr))
    , m_settings(settings)
    , m_pool(settings.threads)
{
}

GifEncoder::~GifEncoder() = default;

void GifEncoder::fail() const
{
    throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": " + std::strerror(errno));
}

void GifEncoder::write(const std::string& bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) != bytes.size())
        fail();
}

void GifEncoder::writeOldest(std::int64_t endSteps)
{
    Pending& oldest = m_pending.front();
    std::string block = oldest.block.get();
    const auto delay = static_cast<int>(std::clamp<std::int64_t>(endSteps - oldest.startSteps, 0, 65535));
    block[4] = static_cast<char>(delay & 0xff);
    block[5] = static_cast<char>((delay >> 8) & 0xff);
    m_pending.pop_front();
    write(block);
}

void GifEncoder::addFrame(const QImage& frame, std::int64_t duration)
{
    const std::int64_t startSteps = nearestStep(m_endMs);
    m_endMs += duration;
    // Too soon after the frame before: that one stays on screen instead.
    if (!m_pending.empty() && startSteps - m_pending.back().startSteps < minimumDelay)
        return;

    Handle<liq_attr> attr(liq_attr_copy(m_attr.get()));
    if (!attr)
        throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": not enough memory");
    m_pending.push_back(Pending {
        m_pool.submit([previous = m_previous, frame, attr = std::move(attr), dither = m_settings.dither]() mutable {
            return frameBlock(previous, frame, std::move(attr), dither);
        }),
        startSteps});
    m_previous = frame;
    // A frame's delay is known once the frame after it is here. The last frame stays pending until
    // finish(), which may merge it into the one before.
    while (m_pending.size() > m_pool.capacity())
        writeOldest(m_pending[1].startSteps);
}

void GifEncoder::finish()
{
    std::int64_t endSteps = nearestStep(m_endMs);
    if (m_pending.size() >= 2 && endSteps - m_pending.back().startSteps < minimumDelay)
        m_pending.pop_back();
    while (m_pending.size() > 1)
        writeOldest(m_pending[1].startSteps);
    if (!m_pending.empty())
        writeOldest(std::max(endSteps, m_pending.front().startSteps + minimumDelay));
    write(";");
    if (std::fflush(m_file.get()) != 0)
        fail();
    // The error of a failed close is the one to report: read errno right after it.
    if (std::fclose(m_file.release()) != 0)
        fail();
}

}
