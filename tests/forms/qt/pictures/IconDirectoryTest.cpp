// SPDX-License-Identifier: MIT
#include "forms/qt/pictures/IconDirectory.h"

#include <QBuffer>
#include <QtEndian>

#include <gtest/gtest.h>

using forms::qt::IconDirectory;

namespace {

QByteArray header(quint16 type, quint16 count)
{
    QByteArray d(6, '\0');
    qToLittleEndian<quint16>(type, d.data() + 2);
    qToLittleEndian<quint16>(count, d.data() + 4);
    return d;
}

QByteArray entry(quint8 w, quint8 h, quint16 bits, quint32 bytes, quint32 offset)
{
    QByteArray e(16, '\0');
    e[0] = char(w);
    e[1] = char(h);
    qToLittleEndian<quint16>(1, e.data() + 4);
    qToLittleEndian<quint16>(bits, e.data() + 6);
    qToLittleEndian<quint32>(bytes, e.data() + 8);
    qToLittleEndian<quint32>(offset, e.data() + 12);
    return e;
}

QByteArray bitmapHeader(qint32 w, qint32 h, quint16 bits)
{
    QByteArray b(40, '\0');
    qToLittleEndian<quint32>(40, b.data());
    qToLittleEndian<qint32>(w, b.data() + 4);
    qToLittleEndian<qint32>(h * 2, b.data() + 8);
    qToLittleEndian<quint16>(1, b.data() + 12);
    qToLittleEndian<quint16>(bits, b.data() + 14);
    return b;
}

IconDirectory readFrom(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    IconDirectory dir = IconDirectory::read(&buffer);
    EXPECT_EQ(buffer.pos(), 0) << "the reader must find the device where it left it";
    return dir;
}

// Directories from broken or hostile files: none may be trusted, none may crash us.
TEST(IconDirectory, ignoresEntriesThatPointNowhere)
{
    EXPECT_FALSE(readFrom({}).isValid());
    EXPECT_FALSE(readFrom(header(3, 1) + entry(16, 16, 8, 100, 22)).isValid()) << "unknown type";
    EXPECT_FALSE(readFrom(header(1, 1) + entry(16, 16, 8, 100, 0x7fffffff)).isValid()) << "offset past the end";
    EXPECT_FALSE(readFrom(header(1, 1) + entry(16, 16, 8, 0, 22) + bitmapHeader(16, 16, 8)).isValid()) << "no bytes";
    EXPECT_FALSE(readFrom(header(1, 60000)).isValid()) << "count without entries";
    EXPECT_FALSE(readFrom(header(1, 1) + entry(16, 16, 8, 40, 22) + bitmapHeader(-16, 16, 8)).isValid())
        << "negative width";

    // A broken entry does not hide a good one behind it.
    const QByteArray mixed = header(1, 2) + entry(64, 64, 32, 40, 0x7fff0000) + entry(16, 16, 8, 40, 38)
        + bitmapHeader(16, 16, 8);
    const IconDirectory dir = readFrom(mixed);
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(dir.best().index, 1);
    EXPECT_EQ(dir.count(), 2);
}

// The directory's size bytes stop at 256 (0 means 256); the image header has the truth.
TEST(IconDirectory, trustsTheImageHeaderOverTheDirectory)
{
    const QByteArray bytes = header(1, 2) + entry(0, 0, 8, 40, 38) + entry(32, 32, 32, 40, 78)
        + bitmapHeader(512, 512, 8) + bitmapHeader(32, 32, 32);
    const IconDirectory dir = readFrom(bytes);
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(dir.best().index, 0);
    EXPECT_EQ(dir.best().size, QSize(512, 512));
    EXPECT_EQ(dir.best().bitsPerPixel, 8);
}

}
