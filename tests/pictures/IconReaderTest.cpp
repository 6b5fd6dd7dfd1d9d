// SPDX-License-Identifier: MIT
#include "pictures/IconReader.h"

#include <gtest/gtest.h>

#include "LittleEndian.h"

using pictures::IconDirectory;
using pictures::Problem;
using pictures::Result;

using namespace pictures::test;

namespace {

QByteArray header(quint16 type, quint16 count)
{
    QByteArray d(6, '\0');
    setLe16(d, 2, quint32(type));
    setLe16(d, 4, quint32(count));
    return d;
}

QByteArray entry(quint8 w, quint8 h, quint16 bits, quint32 bytes, quint32 offset)
{
    QByteArray e(16, '\0');
    e[0] = char(w);
    e[1] = char(h);
    setLe16(e, 4, quint32(1));
    setLe16(e, 6, quint32(bits));
    setLe32(e, 8, quint32(bytes));
    setLe32(e, 12, quint32(offset));
    return e;
}

QByteArray bitmapHeader(qint32 w, qint32 h, quint16 bits)
{
    QByteArray b(40, '\0');
    setLe32(b, 0, quint32(40));
    setLe32(b, 4, quint32(w));
    setLe32(b, 8, quint32(h * 2));
    setLe16(b, 12, quint32(1));
    setLe16(b, 14, quint32(bits));
    return b;
}

// A PNG's signature and IHDR chunk for a 16 x 16 image of the given depth and colour type.
QByteArray pngHeader(quint8 depth, quint8 colourType)
{
    return QByteArray::fromHex("89504e470d0a1a0a0000000d494844520000001000000010") + char(depth) + char(colourType)
        + QByteArray(7, '\0');
}

Result<IconDirectory> readFrom(const QByteArray& bytes)
{
    return IconDirectory::parse(QByteArrayView(bytes));
}

// Directories from broken or hostile files: none may be trusted, none may crash us.
TEST(IconDirectory, ignoresEntriesThatPointNowhere)
{
    EXPECT_EQ(readFrom({}).error().problem(), Problem::NotAPicture);
    EXPECT_EQ(readFrom(header(3, 1) + entry(16, 16, 8, 100, 22)).error().problem(), Problem::NotAPicture)
        << "unknown type";
    EXPECT_EQ(readFrom(header(1, 1) + entry(16, 16, 8, 100, 0x7fffffff)).error().problem(), Problem::Damaged)
        << "offset past the end";
    EXPECT_EQ(readFrom(header(1, 1) + entry(16, 16, 8, 0, 22) + bitmapHeader(16, 16, 8)).error().problem(),
        Problem::Damaged)
        << "no bytes";
    EXPECT_EQ(readFrom(header(1, 60000)).error().problem(), Problem::Damaged) << "count without entries";
    EXPECT_EQ(readFrom(header(1, 1) + entry(16, 16, 8, 40, 22) + bitmapHeader(-16, 16, 8)).error().problem(),
        Problem::Damaged)
        << "negative width";
    EXPECT_EQ(readFrom(header(1, 0)).error().problem(), Problem::Empty) << "no entries";
    EXPECT_EQ(readFrom(header(1, 1) + entry(16, 16, 32, 33, 22) + pngHeader(8, 5)).error().problem(), Problem::Damaged)
        << "PNG of an unknown colour type";
    EXPECT_EQ(readFrom(header(1, 1) + entry(16, 16, 8, 33, 22) + pngHeader(8, 6))->best().bitsPerPixel, 32);

    // A broken entry does not hide a good one behind it.
    const QByteArray mixed = header(1, 2) + entry(64, 64, 32, 40, 0x7fff0000) + entry(16, 16, 8, 40, 38)
        + bitmapHeader(16, 16, 8);
    const Result<IconDirectory> dir = readFrom(mixed);
    ASSERT_TRUE(dir.ok());
    EXPECT_EQ(dir->best().index, 1);
    EXPECT_EQ(dir->count(), 2);
}

// The directory's size bytes stop at 256 (0 means 256); the image header has the truth.
TEST(IconDirectory, trustsTheImageHeaderOverTheDirectory)
{
    const QByteArray bytes = header(1, 2) + entry(0, 0, 8, 40, 38) + entry(32, 32, 32, 40, 78)
        + bitmapHeader(512, 512, 8) + bitmapHeader(32, 32, 32);
    const Result<IconDirectory> dir = readFrom(bytes);
    ASSERT_TRUE(dir.ok());
    EXPECT_EQ(dir->best().index, 0);
    EXPECT_EQ(dir->best().size, QSize(512, 512));
    EXPECT_EQ(dir->best().bitsPerPixel, 8);
}

}
