// SPDX-License-Identifier: MIT
#include "pictures/PictureReader.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>
#include <vector>

using pictures::PictureReadResult;
using pictures::Problem;
using pictures::readPicture;

namespace {

QString dataFile(const char* name)
{
    return QStringLiteral(MOVELLE_PICTURES_DATA "/") + QString::fromUtf8(name);
}

struct Sample {
    int x;
    int y;
    QRgb colour;
};

// The corpus's standard picture: red, green / blue, white quarters of 64 x 48.
const std::vector<Sample> quadSamples { { 8, 8, qRgb(255, 0, 0) },
                                        { 40, 8, qRgb(0, 255, 0) },
                                        { 8, 30, qRgb(0, 0, 255) },
                                        { 56, 44, qRgb(255, 255, 255) } };
const std::vector<Sample> monoSamples { { 8, 8, qRgb(0, 0, 0) }, { 40, 40, qRgb(255, 255, 255) } };

struct Decodes {
    const char* file;
    QSize size;
    std::vector<Sample> samples;
    int tolerance = 0;
};

void PrintTo(const Decodes& c, std::ostream* os)
{
    *os << c.file;
}

class PictureReaderDecodes : public testing::TestWithParam<Decodes> { };

TEST_P(PictureReaderDecodes, sizeAndColours)
{
    const Decodes& c = GetParam();
    const PictureReadResult result = readPicture(dataFile(c.file));
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    ASSERT_EQ(result.image.size(), c.size);
    for (const Sample& s : c.samples) {
        const QColor got = result.image.pixelColor(s.x, s.y);
        const QColor want(s.colour);
        EXPECT_NEAR(got.red(), want.red(), c.tolerance) << "at " << s.x << "," << s.y;
        EXPECT_NEAR(got.green(), want.green(), c.tolerance) << "at " << s.x << "," << s.y;
        EXPECT_NEAR(got.blue(), want.blue(), c.tolerance) << "at " << s.x << "," << s.y;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureReaderDecodes,
    testing::Values(
        Decodes { "quad.png", { 64, 48 }, quadSamples },
        Decodes { "quad24.bmp", { 64, 48 }, quadSamples },
        Decodes { "quad-os2.bmp", { 64, 48 }, quadSamples },
        Decodes { "quad-v5.bmp", { 64, 48 }, quadSamples },
        Decodes { "quad32.bmp", { 64, 48 }, quadSamples },
        Decodes { "quad16.bmp", { 64, 48 }, quadSamples, 8 },
        Decodes { "quad8.bmp", { 64, 48 }, quadSamples },
        Decodes { "quad4.bmp", { 64, 48 }, quadSamples },
        Decodes { "quad-rle8.bmp", { 64, 48 }, quadSamples },
        Decodes { "quad-rle4.bmp", { 64, 48 }, quadSamples },
        Decodes { "mono1.bmp", { 64, 48 }, monoSamples },
        // Qt does not know the .dib extension; content detection must still find the BMP.
        Decodes { "quad.dib", { 64, 48 }, quadSamples },
        Decodes { "quad.gif", { 64, 48 }, quadSamples },
        // Only the first frame of an animation: red, not the blue that follows.
        Decodes { "anim.gif", { 64, 48 }, { { 5, 5, qRgb(255, 0, 0) }, { 60, 40, qRgb(255, 0, 0) } } },
        Decodes { "quad.jpg", { 64, 48 }, quadSamples, 12 },
        Decodes { "quad-progressive.jpg", { 64, 48 }, quadSamples, 12 },
        Decodes { "quad.tif", { 64, 48 }, quadSamples },
        Decodes { "mono.xbm", { 64, 48 }, monoSamples },
        // The largest entry is a PNG and the third one in the directory.
        Decodes { "icon.ico", { 48, 48 }, { { 24, 24, qRgb(0, 0, 255) } } },
        // Three entries of 32 x 32: the 32-bit one wins over 4 and 8 bits.
        Decodes { "deep.ico", { 32, 32 }, { { 16, 16, qRgb(0, 255, 0) } } },
        Decodes { "cursor.cur", { 32, 32 }, { { 16, 16, qRgb(0, 0, 255) } } },
        Decodes { "quad8.pcx", { 64, 48 }, quadSamples },
        Decodes { "quad24.pcx", { 64, 48 }, quadSamples },
        Decodes { "quad4.pcx", { 64, 48 }, quadSamples },
        Decodes { "mono1.pcx", { 64, 48 }, monoSamples },
        // Misnamed files are read for what they are.
        Decodes { "png-named.bmp", { 64, 48 }, quadSamples },
        Decodes { "pcx-named.gif", { 64, 48 }, quadSamples }));

struct Refuses {
    const char* file;
    Problem problem;
    qint64 width = -1;
    qint64 height = -1;
};

void PrintTo(const Refuses& c, std::ostream* os)
{
    *os << c.file;
}

class PictureReaderRefuses : public testing::TestWithParam<Refuses> { };

TEST_P(PictureReaderRefuses, withTheFileAndTheCause)
{
    const Refuses& c = GetParam();
    const QString path = dataFile(c.file);
    const PictureReadResult result = readPicture(path);
    EXPECT_TRUE(result.image.isNull());
    EXPECT_EQ(result.failure.problem(), c.problem) << result.error.toStdString();
    EXPECT_EQ(result.failure.width(), c.width);
    EXPECT_EQ(result.failure.height(), c.height);
    // The file is named once, in front of the cause.
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("cannot read %1: ").arg(QDir::toNativeSeparators(path))))
        << result.error.toStdString();
    EXPECT_EQ(result.error.count(QDir::toNativeSeparators(path)), 1);
}

INSTANTIATE_TEST_SUITE_P(Files, PictureReaderRefuses,
    testing::Values(
        Refuses { "no-such-picture.png", Problem::NoSuchFile },
        Refuses { "", Problem::NotAFile },
        Refuses { "empty.bmp", Problem::Empty },
        Refuses { "notes.txt", Problem::NotAPicture },
        Refuses { "truncated.png", Problem::Damaged },
        Refuses { "truncated.bmp", Problem::Damaged },
        Refuses { "truncated.tif", Problem::Damaged },
        Refuses { "truncated.pcx", Problem::Damaged },
        Refuses { "truncated24.pcx", Problem::Damaged },
        // Refused from the header alone: nothing near 4.8 GiB may be allocated.
        Refuses { "huge.png", Problem::TooLarge, 40000, 40000 },
        Refuses { "huge.bmp", Problem::TooLarge, 40000, 40000 },
        Refuses { "huge.pcx", Problem::TooLarge, 40000, 40000 }));

TEST(PictureReader, namesAnUnreadableFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their permissions";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked.png"));
    ASSERT_TRUE(QFile::copy(dataFile("quad.png"), path));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    EXPECT_EQ(readPicture(path).error, QStringLiteral("cannot read %1: permission denied").arg(path));
}

// Frames are loaded by worker threads; every reader, our own included, must stand that.
TEST(PictureReader, readsFromSeveralThreadsAtOnce)
{
    const std::vector<const char*> files { "quad.png", "quad.jpg", "quad-rle8.bmp", "icon.ico",
                                           "quad.tif", "quad.gif", "quad8.pcx", "drawing.wmf",
                                           "drawing.emf", "notes.txt" };
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 10; ++round) {
                for (const char* f : files) {
                    const PictureReadResult r = readPicture(dataFile(f));
                    const bool shouldFail = QByteArray(f) == "notes.txt";
                    if (r.image.isNull() != shouldFail || r.error.isEmpty() != !shouldFail)
                        ++failures[t];
                }
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}
