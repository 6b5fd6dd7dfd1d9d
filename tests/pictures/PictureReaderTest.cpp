// SPDX-License-Identifier: MIT
#include "pictures/PictureReader.h"

#include "pictures/OwnFormatHandler.h"
#include "pictures/PictureFormat.h"

#include "../anifile/Unprivileged.h"
#include "PictureBuilders.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using pictures::Result;
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
    const Result<QImage> result = readPicture(dataFile(c.file));
    ASSERT_TRUE(result.ok()) << result.error().text();
    ASSERT_EQ(result->size(), c.size);
    for (const Sample& s : c.samples) {
        const QColor got = result->pixelColor(s.x, s.y);
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
    const Result<QImage> result = readPicture(path);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().problem(), c.problem) << result.error().text();
    EXPECT_EQ(result.error().width(), c.width);
    EXPECT_EQ(result.error().height(), c.height);
    // The file is named once, in front of the cause.
    const QString text = QString::fromStdString(result.error().text());
    EXPECT_TRUE(text.startsWith(QStringLiteral("cannot read %1: ").arg(QDir::toNativeSeparators(path))))
        << text.toStdString();
    EXPECT_EQ(text.count(QDir::toNativeSeparators(path)), 1);
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

// A file we may not read, as a user who may not: root reads anything, so the reading is done by a
// child that runs as a plain user.
TEST(PictureReader, namesAnUnreadableFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                   | QFileDevice::ReadOther | QFileDevice::ExeOther));
    const QString path = dir.filePath(QStringLiteral("locked.png"));
    ASSERT_TRUE(QFile::copy(dataFile("quad.png"), path));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));

    const std::string report = anifile::test::runAsPlainUser([&] {
        const Result<QImage> r = readPicture(path);
        return std::to_string(int(r.error().problem())) + ' ' + r.error().text();
    });
    EXPECT_EQ(report, QStringLiteral("%1 cannot read %2: permission denied")
                                        .arg(int(Problem::CannotOpen))
                                        .arg(path)
                                        .toStdString());
}

// A pipe named as a picture must not hold the program: refused at once, without waiting for a writer.
TEST(PictureReader, refusesAPipeWithoutWaitingForIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frame.bmp"));
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const Result<QImage> r = readPicture(path);
    EXPECT_EQ(r.error().problem(), Problem::NotAFile) << r.error().text();
}

// A PCX of 228 bytes whose header claims 16,384 lines of 4 x 65,535 bytes: refused from the bytes
// that exist, without reading or reserving what the header claims (8.6 GB), through readPicture and
// through QImageReader alike.
TEST(PictureReader, refusesAPcxThatClaimsGigabytes)
{
    const QByteArray pcx = pictures::test::pcx({ 1, 16384, 8, 4, 0xffff }, QByteArray(100, '\0'));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("claims.pcx"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pcx);
    file.close();
    EXPECT_EQ(readPicture(path).error().problem(), Problem::Damaged);

    QImageReader reader(path);
    EXPECT_TRUE(reader.read().isNull());
    // Behind QImageReader the cause stays typed in the handler; no text is read back.
    pictures::OwnFormatHandler handler(*pictures::ownPictureFormatNamed("pcx"));
    handler.setDevice(&file);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QImage image;
    EXPECT_FALSE(handler.read(&image));
    EXPECT_EQ(handler.error().problem(), Problem::Damaged);
}

// Memory running out while decoding is said as such, with the size that did not fit. The child
// reading the pictures runs with little address space: under prlimit, or, where AddressSanitizer
// reserves its shadow memory up front, with its allocator told to refuse large requests.
TEST(PictureReader, saysWhenMemoryRunsOut)
{
    QTemporaryDir dir;
    // Run-length coded, so a file of a few bytes asks for 16000 x 8000 pixels (512 MB).
    const auto rle = [&](const char* name, int width, int height) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        // A palette of two colours, then the end of the bitmap.
        out.write(pictures::test::bmpFile(pictures::test::infoHeader(40, width, height, 8, 1) + QByteArray(8, '\0'),
                                          QByteArray("\0\x01", 2)));
        return path;
    };
    const QString big = rle("big.bmp", 16000, 8000);
    const QString small = rle("small.bmp", 1000, 1000);

    QProcess child;
#if defined(__SANITIZE_ADDRESS__)
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"),
        env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":allocator_may_return_null=1:max_allocation_size_mb=256"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--read-each"), small, big });
#else
    child.start(QStringLiteral("prlimit"),
        { QStringLiteral("--as=%1").arg(400 * 1024 * 1024), QCoreApplication::applicationFilePath(),
            QStringLiteral("--read-each"), small, big });
#endif
    ASSERT_TRUE(child.waitForFinished(120000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromLatin1(child.readAllStandardOutput()).toStdString(),
        QStringLiteral("%1 -1 -1\n%2 16000 8000\n").arg(int(Problem::None)).arg(int(Problem::OutOfMemory)).toStdString());
    EXPECT_EQ(pictures::PictureError::outOfMemory(16000, 8000).message(), "not enough memory for a 16000 x 8000 picture");
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
                    const Result<QImage> r = readPicture(dataFile(f));
                    const bool shouldFail = QByteArray(f) == "notes.txt";
                    if (r.ok() == shouldFail || r.error().isError() != shouldFail)
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

// The part of a GIF's screen that its first frame does not cover belongs to no frame: it is
// transparent, as browsers and the other readers show it, not painted in the frame's colour.
TEST(PictureReader, leavesAGifsScreenOutsideItsFirstFrameTransparent)
{
    struct Case {
        const char* file;
        QPoint inside;
        QRgb colour;
        QPoint outside;
    };
    for (const Case& c : { Case { "undersized.gif", { 10, 10 }, qRgb(255, 0, 0), { 75, 75 } },
                           Case { "undersized-offset.gif", { 40, 40 }, qRgb(0, 0, 255), { 5, 5 } } }) {
        QFile file(dataFile(c.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.file;
        const QByteArray bytes = file.readAll();
        const pictures::Result<QImage> image = pictures::decodePicture(bytes);
        ASSERT_TRUE(image.ok()) << c.file;
        EXPECT_EQ(image.value().size(), QSize(100, 100)) << c.file;
        EXPECT_EQ(image.value().pixel(c.inside), c.colour) << c.file;
        EXPECT_EQ(qAlpha(image.value().pixel(c.outside)), 0) << c.file;
    }
}
