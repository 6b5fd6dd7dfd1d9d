// SPDX-License-Identifier: MIT
#include "pictures/DibReader.h"

#include "pictures/IconReader.h"
#include "pictures/PictureReader.h"

#include <gtest/gtest.h>

#include "PictureBuilders.h"

#include <vector>

using namespace pictures;
using namespace pictures::test;

namespace {

Result<QImage> bmp(const QByteArray& file, const Limits& limits = {})
{
    return decodeBmp(QByteArrayView(file), limits);
}

std::vector<QRgb> pixelsOf(const QImage& image)
{
    std::vector<QRgb> out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            out.push_back(image.pixel(x, y));
    }
    return out;
}

// The same, or none with the decoder's message as a failure, when decoding failed.
std::vector<QRgb> pixelsOf(const Result<QImage>& result)
{
    if (!result.ok()) {
        ADD_FAILURE() << result.error().message();
        return {};
    }
    return pixelsOf(result.value());
}

// 16-bit channels are scaled to the full range, not shifted: white stays white, and a 1-bit alpha
// is either transparent or opaque, never half.
TEST(DibReader, scalesSixteenBitChannelsExactly)
{
    QByteArray rgb555 = bmpFile(infoHeader(40, 3, 1, 16), QByteArray("\xff\x7f\x10\x42\x00\x00\x00\x00", 8));
    // 0x4210 is 16 of 31 in each channel: 131.6, rounded.
    EXPECT_EQ(pixelsOf(bmp(rgb555)), (std::vector<QRgb> { qRgb(255, 255, 255), qRgb(132, 132, 132), qRgb(0, 0, 0) }));

    const QByteArray v4 = [] {
        QByteArray h = infoHeader(108, 2, 1, 16, 3);
        const QByteArray m = masks({ 0x7c00, 0x03e0, 0x001f, 0x8000 });
        h.replace(40, 16, m);
        return h;
    }();
    EXPECT_EQ(pixelsOf(bmp(bmpFile(v4, QByteArray("\xff\xff\xff\x7f", 4)))),
        (std::vector<QRgb> { qRgba(255, 255, 255, 255), qRgba(255, 255, 255, 0) }));
}

// Masks of any width: 11, 11 and 10 bits, and 2-10-10-10 with alpha in the top two bits.
TEST(DibReader, readsWideAndOddBitfields)
{
    const QByteArray wide = bmpFile(infoHeader(40, 2, 1, 32, 3) + masks({ 0xffe00000, 0x001ffc00, 0x000003ff }),
        QByteArray("\xff\xff\xff\xff\x00\x00\x20\x00", 8));
    // The second pixel has only red's lowest bit: 1 of 2047 rounds to 0.
    EXPECT_EQ(pixelsOf(bmp(wide)), (std::vector<QRgb> { qRgb(255, 255, 255), qRgb(0, 0, 0) }));

    QByteArray h = infoHeader(56, 2, 1, 32, 3);
    h.replace(40, 16, masks({ 0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000 }));
    // Red 1023, green 512, blue 0, alpha 1 of 3; then all zero but alpha 3.
    EXPECT_EQ(pixelsOf(bmp(bmpFile(h, masks({ 0x7ff80000, 0xc0000000 })))),
        (std::vector<QRgb> { qRgba(255, 128, 0, 85), qRgba(0, 0, 0, 255) }));
}

// The 52- and 56-byte headers hold their masks inside; a 40-byte header keeps them after itself.
TEST(DibReader, readsEveryHeaderVersion)
{
    const QRgb orange = qRgb(250, 120, 10);
    const QByteArray pixel24("\x0a\x78\xfa\x00", 4);
    for (int size : { 40, 52, 56, 108, 124, 16, 64 }) {
        const Result<QImage> r = bmp(bmpFile(infoHeader(size, 1, 1, 24), pixel24));
        ASSERT_TRUE(r.ok()) << size << ": " << r.error().message();
        EXPECT_EQ(r.value().pixel(0, 0), orange) << size;
    }
    for (int size : { 52, 56 }) {
        QByteArray h = infoHeader(size, 1, 1, 32, 3);
        h.replace(40, 12, masks({ 0xff, 0xff00, 0xff0000 }));
        const Result<QImage> r = bmp(bmpFile(h, QByteArray("\xfa\x78\x0a\x00", 4)));
        ASSERT_TRUE(r.ok()) << size << ": " << r.error().message();
        EXPECT_EQ(r.value().pixel(0, 0), orange) << size;
    }
    // OS/2's core header: 16-bit sizes, 3-byte palette entries.
    const QByteArray core = infoHeader(12, 2, 1, 8) + QByteArray("\x00\x00\xff\x00\xff\x00", 6);
    QByteArray os2 = bmpFile(core, QByteArray("\x01\x00\x00\x00", 4));
    EXPECT_EQ(pixelsOf(bmp(os2)), (std::vector<QRgb> { qRgb(0, 255, 0), qRgb(255, 0, 0) }));
}

// A palette shorter than the depth allows: the pixels start where the file says, and the indexes
// past the palette are black.
TEST(DibReader, readsAShortPaletteWhereTheFileSaysThePixelsAre)
{
    const QByteArray core = infoHeader(12, 4, 1, 8) + QByteArray("\x00\x00\xff\x00\xff\x00", 6);
    EXPECT_EQ(pixelsOf(bmp(bmpFile(core, QByteArray("\x01\x00\x02\xff", 4)))),
        (std::vector<QRgb> { qRgb(0, 255, 0), qRgb(255, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0) }));

    // A 40-byte header that declares 300 colours: the first 256 count, the pixels follow them all.
    QByteArray big = infoHeader(40, 1, 1, 8, 0, 300) + QByteArray(300 * 4, '\0');
    big.replace(40 + 4 * 255, 4, bgra({ qRgb(1, 2, 3) }));
    const Result<QImage> packed = decodePackedDib(QByteArrayView(big + QByteArray("\xff\0\0\0", 4)), {});
    ASSERT_TRUE(packed.ok()) << packed.error().message();
    EXPECT_EQ(packed.value().pixel(0, 0), qRgb(1, 2, 3));

    // No room for a palette at all: the pixels begin right after the header, and every index is black.
    for (const int bits : { 4, 8 }) {
        const Result<QImage> bare = bmp(bmpFile(infoHeader(40, 2, 1, bits), QByteArray("\x12\x34\0\0", 4)));
        ASSERT_TRUE(bare.ok()) << bits << ": " << bare.error().message();
        EXPECT_EQ(pixelsOf(bare.value()), (std::vector<QRgb> { qRgb(0, 0, 0), qRgb(0, 0, 0) })) << bits;
    }
}

QByteArray rle8Picture(const QByteArray& data, int width = 4, int height = 3)
{
    return bmpFile(infoHeader(40, width, height, 8, 1) + bgra({ qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255) })
            + QByteArray(252 * 4, '\0'),
        data);
}

// Runs, absolute runs, line ends, deltas and an early end. Rows are stored bottom up; pixels the
// data never reaches are transparent, the same on every run.
TEST(DibReader, decodesRunLengthCodingToTheLastPixel)
{
    const QRgb none = 0;
    const QRgb red = qRgb(255, 0, 0);
    const QRgb green = qRgb(0, 255, 0);
    const QRgb blue = qRgb(0, 0, 255);
    // Bottom row: 2 red, then absolute 1,2,3 (padded); next row: delta 1 right 1 up, then 1 blue,
    // then end of line; the top row is left to the end of the bitmap.
    const QByteArray data("\x02\x01\x00\x03\x01\x02\x03\x00" "\x00\x00" "\x01\x03\x00\x02\x02\x01\x01\x03\x00\x01", 20);
    EXPECT_EQ(pixelsOf(bmp(rle8Picture(data))), (std::vector<QRgb> {
        none, none, none, blue,        // top row: reached by the delta, one pixel in
        blue, none, none, none,        // middle row: one blue, then an end of line
        red, red, red, green }))       // bottom row: the run and three of the absolute run (the 4th is cut)
        << "";

    // Data that stops in the middle: what it reached stays, the rest is transparent.
    EXPECT_EQ(pixelsOf(bmp(rle8Picture(QByteArray("\x04\x02\x00\x00\x02", 5)))),
        (std::vector<QRgb> { none, none, none, none, none, none, none, none, green,
                                          green, green, green }));
}

// Data that reaches every pixel leaves none transparent; an index past a 4-colour palette is black.
TEST(DibReader, runLengthCodingThatCoversEveryPixelIsOpaque)
{
    const QByteArray info = infoHeader(40, 3, 2, 8, 1, 4) + bgra({ qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255) });
    EXPECT_EQ(pixelsOf(bmp(bmpFile(info, QByteArray("\x02\x01\x01\xc8\x00\x00\x03\x03\x00\x01", 10)))),
        (std::vector<QRgb> { qRgb(0, 0, 255), qRgb(0, 0, 255), qRgb(0, 0, 255),
                                       qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 0) }));
}

TEST(DibReader, decodesRle4NibblesAndOddAbsoluteRuns)
{
    // A run of 3 alternating 1,2; then an absolute run of 3 nibbles (2 bytes, already even). Cut
    // after its first byte, the third nibble is never reached and stays transparent.
    QByteArray info = infoHeader(40, 6, 1, 4, 2) + bgra({ qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255) })
        + QByteArray(12 * 4, '\0');
    for (const bool cut : { false, true }) {
        EXPECT_EQ(pixelsOf(bmp(bmpFile(info, QByteArray("\x03\x12\x00\x03\x31\x20\x00\x01", cut ? 5 : 8)))),
            (std::vector<QRgb> { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 0, 0),
                                           qRgb(0, 0, 255), qRgb(255, 0, 0), cut ? 0 : qRgb(0, 255, 0) })) << cut;
    }
}

// Metafiles keep top-down bitmaps (a negative height); they read like any other.
TEST(DibReader, acceptsTopDownRowsInAPackedDib)
{
    const QByteArray dib = infoHeader(40, 1, -2, 24) + QByteArray("\x00\x00\xff\x00\xff\x00\x00\x00", 8);
    EXPECT_EQ(pixelsOf(decodePackedDib(QByteArrayView(dib), {})),
        (std::vector<QRgb> { qRgb(255, 0, 0), qRgb(0, 0, 255) }));
    const QByteArray bottomUp = infoHeader(40, 1, 2, 24) + QByteArray("\x00\x00\xff\x00\xff\x00\x00\x00", 8);
    EXPECT_EQ(pixelsOf(decodePackedDib(QByteArrayView(bottomUp), {}).value()),
        (std::vector<QRgb> { qRgb(0, 0, 255), qRgb(255, 0, 0) }));
}

struct Refusal {
    const char* name;
    QByteArray file;
    Problem problem;
    qint64 width = -1;
    qint64 height = -1;
};

void PrintTo(const Refusal& r, std::ostream* os)
{
    *os << r.name;
}

class DibReaderRefuses : public testing::TestWithParam<Refusal> { };

// Limits of 10 pixels a side and 400 bytes (100 pixels): small enough to test both sides of each.
TEST_P(DibReaderRefuses, withTheProblem)
{
    const Limits limits { 10, 400, 4096 };
    const Result<QImage> r = bmp(GetParam().file, limits);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().problem(), GetParam().problem) << r.error().message();
    EXPECT_EQ(r.error().width(), GetParam().width);
    EXPECT_EQ(r.error().height(), GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Headers, DibReaderRefuses,
    testing::Values(Refusal { "zeroWidth", bmpFile(infoHeader(40, 0, 32, 24), {}), Problem::Empty, 0, 32 },
        Refusal { "zeroHeight", bmpFile(infoHeader(40, 4, 0, 24), {}), Problem::Empty, 4, 0 },
        Refusal { "overTheSide", bmpFile(infoHeader(40, 11, 1, 8), QByteArray(1024 + 12, '\0')), Problem::TooLarge, 11, 1 },
        // 10 x 10 fits the side limit, 10 x 11 is one row over the byte budget.
        Refusal { "overTheBudget", bmpFile(infoHeader(40, 10, 11, 8) + QByteArray(1024, '\0'), QByteArray(132, '\0')),
            Problem::TooLarge, 10, 11 },
        Refusal { "overTheBudgetWithoutItsPixels", bmpFile(infoHeader(40, 10, 11, 24), {}), Problem::TooLarge, 10, 11 },
        Refusal { "huffman", bmpFile(infoHeader(64, 8, 1, 1, 3), QByteArray(16, '\0')), Problem::Unsupported },
        Refusal { "sixtyFourBits", bmpFile(infoHeader(124, 1, 1, 64), QByteArray(8, '\0')), Problem::Unsupported },
        Refusal { "cmyk", bmpFile(infoHeader(40, 1, 1, 32, 11), QByteArray(4, '\0')), Problem::Unsupported },
        Refusal { "twoPlanes", [] {
                     QByteArray h = infoHeader(40, 1, 1, 24);
                     setLe16(h, 12, 2);
                     return bmpFile(h, QByteArray(4, '\0'));
                 }(),
            Problem::Damaged },
        Refusal { "threeBits", bmpFile(infoHeader(40, 1, 1, 3), QByteArray(4, '\0')), Problem::Damaged },
        Refusal { "rle8OnTwentyFourBits", bmpFile(infoHeader(40, 1, 1, 24, 1), QByteArray(4, '\0')), Problem::Damaged },
        // One byte short of the last row's pixels (its padding may be missing, its pixels not).
        Refusal { "rowsCutShort", bmpFile(infoHeader(40, 3, 2, 24), QByteArray(12 + 8, '\0')), Problem::Damaged },
        Refusal { "pixelsPastTheEnd", [] {
                     QByteArray f = bmpFile(infoHeader(40, 1, 1, 24), QByteArray(4, '\0'));
                     setLe32(f, 10, quint32(f.size() + 1));
                     return f;
                 }(),
            Problem::Damaged },
        Refusal { "headerCutShort", bmpFile(infoHeader(40, 1, 1, 24), {}).left(40), Problem::Damaged }));

// The boundary the other way: exactly at the side limit and at the byte budget is accepted, and
// a last row without its padding too.
TEST(DibReader, acceptsPicturesRightAtTheLimits)
{
    const Limits limits { 10, 400, 4096 };
    EXPECT_TRUE(bmp(bmpFile(infoHeader(40, 10, 10, 8) + QByteArray(1024, '\0'), QByteArray(120, '\0')), limits).ok());
    EXPECT_TRUE(bmp(bmpFile(infoHeader(40, 3, 2, 24), QByteArray(12 + 9, '\0')), limits).ok());
}

QByteArray iconFile(quint16 type, const QByteArray& image, quint32 claimedBytes)
{
    QByteArray d(6 + 16, '\0');
    setLe16(d, 2, type);
    setLe16(d, 4, 1);
    d[6] = 2;
    d[7] = 2;
    setLe32(d, 6 + 8, claimedBytes);
    setLe32(d, 6 + 12, 22);
    return d + image;
}

// The AND mask makes pixels of a 24-bit icon transparent; a V5 header inside an icon is 124 bytes
// long, and a cursor whose directory says its image has 8 bytes is still read.
TEST(IconReader, appliesTheAndMaskBehindAnyHeader)
{
    const QByteArray pixels = QByteArray("\x00\x00\xff\x00\xff\x00\x00\x00", 8) + QByteArray("\xff\x00\x00\x00\x00\x00\x00\x00", 8);
    // Mask rows, bottom first: the bottom-left pixel is transparent, the top row opaque.
    const QByteArray mask = QByteArray("\x80\0\0\0\0\0\0\0", 8);
    for (int headerSize : { 40, 124 }) {
        const QByteArray image = infoHeader(headerSize, 2, 4, 24) + pixels + mask;
        for (quint16 type : { quint16(1), quint16(2) }) {
            for (quint32 claimed : { quint32(image.size()), quint32(8) }) {
                const Result<QImage> r = decodeIcon(QByteArrayView(iconFile(type, image, claimed)), {});
                ASSERT_TRUE(r.ok()) << headerSize << " " << type << " " << claimed << ": " << r.error().message();
                EXPECT_EQ(pixelsOf(r.value()),
                    (std::vector<QRgb> { qRgb(0, 0, 255), qRgb(0, 0, 0), 0, qRgb(0, 255, 0) }))
                    << headerSize << " " << type << " " << claimed;
            }
        }
    }
}

TEST(IconReader, thirtyTwoBitIconsUseTheirAlphaUnlessItIsAllZero)
{
    // Two rows, bottom first: the alpha of every row counts, not just of the rows up to the first
    // pixel that has one.
    const QByteArray mask = QByteArray("\x40\0\0\0\x40\0\0\0", 8);
    const QByteArray withAlpha = infoHeader(40, 2, 4, 32)
        + QByteArray("\x00\x00\xff\x80\x00\xff\x00\x00" "\xff\x00\x00\x00\xff\xff\xff\xff", 16) + mask;
    EXPECT_EQ(pixelsOf(decodeIcon(QByteArrayView(iconFile(1, withAlpha, 100)), {})),
        (std::vector<QRgb> { qRgba(0, 0, 255, 0), qRgba(255, 255, 255, 255), qRgba(255, 0, 0, 0x80), qRgba(0, 255, 0, 0) }));
    const QByteArray noAlpha = infoHeader(40, 2, 4, 32)
        + QByteArray("\x00\x00\xff\x00\x00\xff\x00\x00" "\xff\x00\x00\x00\xff\xff\xff\x00", 16) + mask;
    EXPECT_EQ(pixelsOf(decodeIcon(QByteArrayView(iconFile(1, noAlpha, 100)), {})),
        (std::vector<QRgb> { qRgb(0, 0, 255), 0, qRgb(255, 0, 0), 0 }));
}

}
