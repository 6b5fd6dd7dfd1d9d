// SPDX-License-Identifier: MIT
#include "pictures/PcxDecoder.h"

#include <gtest/gtest.h>

#include "PictureBuilders.h"

using pictures::PcxDecoder;
using pictures::Problem;
using pictures::Result;

using namespace pictures::test;

namespace {

QByteArray palette256()
{
    QByteArray p(1 + 768, '\0');
    p[0] = 0x0C;
    for (int i = 0; i < 256; ++i) {
        p[1 + 3 * i] = char(i);
        p[2 + 3 * i] = char(255 - i);
        p[3 + 3 * i] = char(7);
    }
    return p;
}

Result<QImage> decode(const QByteArray& data)
{
    const Result<PcxDecoder> decoder = PcxDecoder::create(QByteArrayView(data));
    if (!decoder)
        return decoder.error();
    return decoder->decode();
}

// The palette indices at these points.
std::vector<int> indices(const QImage& image, std::initializer_list<QPoint> points)
{
    std::vector<int> result;
    for (const QPoint p : points)
        result.push_back(image.pixelIndex(p));
    return result;
}

TEST(PcxDecoder, runsMayCrossScanLines)
{
    // One run of 6 covers line 0 and half of line 1; the rest is literal.
    const QByteArray body = QByteArray("\xC6\x05", 2) + QByteArray("\x07\x08", 2);
    const Result<QImage> r = decode(pcx({}, body, palette256()));
    ASSERT_TRUE(r.ok()) << r.error().message();
    EXPECT_EQ(indices(r.value(), { { 3, 0 }, { 1, 1 }, { 2, 1 }, { 3, 1 } }), (std::vector<int> { 5, 5, 7, 8 }));
    EXPECT_EQ(r.value().pixel(2, 1), qRgb(7, 248, 7)) << "the palette after the pixels";
}

TEST(PcxDecoder, literalBytesAndEmptyRuns)
{
    // An empty run (0xC0) adds nothing; without run-length coding, 0xC1 is a plain value.
    const QByteArray coded = QByteArray("\xC0\x09\xC2\x01\x02\x03\xC3\x04\x05", 9);
    const Result<QImage> r = decode(pcx({}, coded, palette256()));
    ASSERT_TRUE(r.ok()) << r.error().message();
    EXPECT_EQ(indices(r.value(), { { 0, 0 }, { 2, 0 }, { 0, 1 }, { 3, 1 } }), (std::vector<int> { 1, 2, 4, 5 }));

    const PcxHeader raw { .encoding = 0 };
    const Result<QImage> plain = decode(pcx(raw, QByteArray("\xC1\xC2\x00\x01\x02\x03\x04\x05", 8), palette256()));
    ASSERT_TRUE(plain.ok()) << plain.error().message();
    EXPECT_EQ(indices(plain.value(), { { 0, 0 }, { 1, 0 } }), (std::vector<int> { 0xC1, 0xC2 }));
}

TEST(PcxDecoder, eightBitsWithoutPaletteAreGrey)
{
    const PcxHeader old { .version = 3 };
    const Result<QImage> r = decode(pcx(old, QByteArray("\xC8\x80", 2)));
    ASSERT_TRUE(r.ok()) << r.error().message();
    EXPECT_EQ(r.value().pixel(0, 0), qRgb(128, 128, 128));

    // A version 5 file whose palette marker is missing: the tail is pixels, not a palette.
    const Result<QImage> unmarked = decode(pcx({}, QByteArray("\xC8\x40", 2)));
    ASSERT_TRUE(unmarked.ok()) << unmarked.error().message();
    EXPECT_EQ(unmarked.value().pixel(3, 1), qRgb(64, 64, 64));
}

TEST(PcxDecoder, packedAndPlanarColourIndexes)
{
    const PcxHeader packed2 { .width = 4, .height = 1, .bits = 2, .bytesPerLine = 2 };
    // 00 01 10 11 -> indexes 0 1 2 3, then a padding byte.
    Result<QImage> r = decode(pcx(packed2, QByteArray("\x1B\x00", 2)));
    ASSERT_TRUE(r.ok()) << r.error().message();
    EXPECT_EQ(indices(r.value(), { { 1, 0 }, { 3, 0 } }), (std::vector<int> { 1, 3 }));
    EXPECT_EQ(r.value().pixel(3, 0), qRgb(49, 49, 49)) << "the header palette";

    const PcxHeader packed4 { .width = 4, .height = 1, .bits = 4, .bytesPerLine = 2 };
    r = decode(pcx(packed4, QByteArray("\xA5\x3F", 2)));
    ASSERT_TRUE(r.ok()) << r.error().message();
    EXPECT_EQ(indices(r.value(), { { 0, 0 }, { 1, 0 }, { 3, 0 } }), (std::vector<int> { 10, 5, 15 }));

    // Three one-bit planes: pixel 0 has bits in planes 0 and 2, pixel 1 only in plane 1.
    const PcxHeader planar3 { .width = 4, .height = 1, .bits = 1, .planes = 3, .bytesPerLine = 2 };
    r = decode(pcx(planar3, QByteArray("\x80\x00\x40\x00\x80\x00", 6)));
    ASSERT_TRUE(r.ok()) << r.error().message();
    EXPECT_EQ(indices(r.value(), { { 0, 0 }, { 1, 0 }, { 2, 0 } }), (std::vector<int> { 5, 2, 0 }));
}

TEST(PcxDecoder, fourPlanesCarryAlpha)
{
    const PcxHeader rgba { .width = 1, .height = 1, .planes = 4, .bytesPerLine = 2 };
    const Result<QImage> r = decode(pcx(rgba, QByteArray("\x10\x00\x20\x00\x30\x00\x40\x00", 8)));
    ASSERT_TRUE(r.ok()) << r.error().message();
    EXPECT_EQ(r.value().pixel(0, 0), qRgba(0x10, 0x20, 0x30, 0x40));
}

struct Broken {
    const char* name;
    QByteArray data;
    Problem problem;
};

void PrintTo(const Broken& b, std::ostream* os)
{
    *os << b.name;
}

class PcxDecoderRefuses : public testing::TestWithParam<Broken> { };

TEST_P(PcxDecoderRefuses, withACause)
{
    const Result<QImage> r = decode(GetParam().data);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.error().problem(), GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(Headers, PcxDecoderRefuses,
    testing::Values(
        Broken { "shortHeader", pcx({}, {}).left(100), Problem::NotAPicture },
        Broken { "lineTooShort", pcx({ .bytesPerLine = 3 }, QByteArray(8, '\1')),
            Problem::Damaged },
        Broken { "twoBitsThreePlanes", pcx({ .bits = 2, .planes = 3 }, QByteArray(24, '\1')),
            Problem::Unsupported },
        Broken { "maxBeforeMin", [] {
                    QByteArray d = pcx({}, QByteArray(8, '\1'));
                    setLe16(d, 4, quint32(9));
                    return d;
                }(),
            Problem::Damaged },
        Broken { "widestLineTooWide", pcx({ .width = 65536, .bytesPerLine = 65535 }, {}),
            Problem::TooLarge },
        Broken { "endsInsideARun", pcx({}, QByteArray("\x01\x02\x03\x04\x05\x06\x07\xC5", 8)),
            Problem::Damaged },
        Broken { "runTooShortForLastLine", pcx({}, QByteArray("\xC7\x01", 2)),
            Problem::Damaged }));

}
