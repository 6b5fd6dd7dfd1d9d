// SPDX-License-Identifier: MIT
#include "pictures/DecodeCheck.h"

#include "pictures/PictureReader.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstdint>

using pictures::DecodeCheck;
using pictures::Limits;
using pictures::Problem;

namespace {

QByteArray jpeg(bool progressive)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(qRgb(30, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

// A baseline JPEG whose one scan is repeated: every copy is a full pass over the picture.
QByteArray repeatedScans(int scans)
{
    const QByteArray one = jpeg(false);
    const qsizetype sos = one.indexOf("\xFF\xDA");
    const qsizetype eoi = one.lastIndexOf("\xFF\xD9");
    QByteArray bytes = one.left(sos);
    for (int k = 0; k < scans; ++k)
        bytes += one.mid(sos, eoi - sos);
    return bytes + "\xFF\xD9";
}

TEST(DecodeCheck, countsTheScansOfAJpeg)
{
    EXPECT_EQ(DecodeCheck::jpegScans(jpeg(false)), 1);
    EXPECT_GT(DecodeCheck::jpegScans(jpeg(true)), 1);
    EXPECT_EQ(DecodeCheck::jpegScans(repeatedScans(7)), 7);
    EXPECT_EQ(DecodeCheck::jpegScans(QByteArray("GIF89a")), -1);
    // A stuffed zero and a restart marker inside the coded data end no scan.
    QByteArray coded("\xFF\xD8\xFF\xDA\x00\x02\x12\xFF\x00\x34\xFF\xD3\x56\xFF\xDA\x00\x02\x78\xFF\xD9", 20);
    EXPECT_EQ(DecodeCheck::jpegScans(coded), 2);
}

TEST(DecodeCheck, refusesAJpegOfMoreScansThanTheCap)
{
    const Limits limits;
    EXPECT_FALSE(DecodeCheck::check(repeatedScans(DecodeCheck::maxJpegScans), limits).isError());
    const pictures::PictureError refused = DecodeCheck::check(repeatedScans(DecodeCheck::maxJpegScans + 1), limits);
    EXPECT_EQ(refused.problem(), Problem::Unsupported);
    EXPECT_NE(refused.message().find(std::to_string(DecodeCheck::maxJpegScans + 1) + " scans"), std::string::npos)
        << refused.message();
    EXPECT_FALSE(DecodeCheck::check(jpeg(true), limits).isError());
}

// A little-endian TIFF header with one directory of LONG values and an entry of zeros (tag, type
// and count), which the check passes over as it does every entry it has no use for.
QByteArray tiff(std::uint32_t width, std::uint32_t height, std::uint16_t bits, std::uint16_t samples)
{
    QByteArray bytes("II*\0\x08\0\0\0", 8);
    const auto put = [&bytes](std::uint64_t value, int size) {
        for (int k = 0; k < size; ++k)
            bytes += char((value >> (8 * k)) & 0xFF);
    };
    put(5, 2);
    for (auto [tag, value] : { std::pair { 256u, width }, { 257u, height }, { 258u, std::uint32_t(bits) },
                               { 277u, std::uint32_t(samples) } }) {
        put(tag, 2);
        put(4, 2);
        put(1, 4);
        put(value, 4);
    }
    put(0, 8);
    put(0, 4);
    put(0, 4);
    return bytes;
}

TEST(DecodeCheck, refusesATiffWhosePeakDoesNotFitTheLimits)
{
    Limits limits;
    limits.maxBytes = 8 * 1000 * 1000;
    // Eight bytes a pixel at the peak for eight-bit samples, sixteen for deeper ones.
    EXPECT_FALSE(DecodeCheck::check(tiff(1000, 1000, 8, 3), limits).isError());
    EXPECT_EQ(DecodeCheck::check(tiff(1000, 1001, 8, 3), limits).problem(), Problem::TooLarge);
    EXPECT_FALSE(DecodeCheck::check(tiff(500, 1000, 16, 3), limits).isError());
    EXPECT_EQ(DecodeCheck::check(tiff(500, 1001, 16, 3), limits).problem(), Problem::TooLarge);
    EXPECT_EQ(DecodeCheck::check(tiff(limits.maxSide + 1, 1, 8, 1), limits).problem(), Problem::TooLarge);
    EXPECT_EQ(DecodeCheck::check(tiff(0, 10, 8, 1), limits).problem(), Problem::Damaged);
    EXPECT_EQ(DecodeCheck::check(QByteArray("II*\0\xFF\xFF\0\0", 8), limits).problem(), Problem::Damaged);
}

}
