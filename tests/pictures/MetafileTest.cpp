// SPDX-License-Identifier: MIT
#include "pictures/PictureReader.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using pictures::Problem;
using pictures::Result;
using pictures::readPicture;

namespace {

QString dataFile(const char* name)
{
    return QStringLiteral(MOVELLE_PICTURES_DATA "/") + QString::fromUtf8(name);
}

struct Spot {
    int x;
    int y;
    QColor colour;
};

// The corpus drawing: see tests/data/pictures/make-metafiles.py.
const Spot drawingSpots[] = {
    { 50, 40, Qt::red },               // rectangle
    { 150, 40, QColor(0, 255, 0) },    // ellipse
    { 50, 125, Qt::blue },             // triangle
    { 130, 117, Qt::yellow },          // stretched bitmap, top left
    { 170, 117, Qt::magenta },         //                   top right
    { 130, 133, Qt::cyan },            //                   bottom left
    { 170, 133, Qt::black },           //                   bottom right
    { 100, 100, Qt::transparent },     // nothing drawn there
    { 5, 5, Qt::transparent },
};

class MetafileDrawing : public testing::TestWithParam<const char*> { };

TEST_P(MetafileDrawing, landsWhereTheRecordsSay)
{
    const Result<QImage> read = readPicture(dataFile(GetParam()));
    ASSERT_TRUE(read.ok()) << read.error().text();
    const QImage& image = read.value();
    ASSERT_EQ(image.size(), QSize(200, 150));
    // Qt draws the stretched 2 x 2 bitmap smoothly, which shades even the middle of a pixel a little.
    for (const Spot& s : drawingSpots) {
        const QColor got = image.pixelColor(s.x, s.y);
        EXPECT_EQ(got.alpha(), s.colour.alpha()) << "alpha at " << s.x << "," << s.y;
        if (s.colour.alpha() == 0)
            continue;
        EXPECT_NEAR(got.red(), s.colour.red(), 8) << "at " << s.x << "," << s.y;
        EXPECT_NEAR(got.green(), s.colour.green(), 8) << "at " << s.x << "," << s.y;
        EXPECT_NEAR(got.blue(), s.colour.blue(), 8) << "at " << s.x << "," << s.y;
    }
    // The word "Movelle", top-aligned at (110, 80) with characters 20 pixels high (Arial, drawn in
    // Liberation Sans): its ink starts below the ascent's gap and ends on the baseline, 18 pixels
    // down, and is about 67 pixels long; the EMF places the characters 8 pixels apart.
    QRect ink;
    for (int y = 70; y < 115; ++y) {
        for (int x = 100; x < 200; ++x) {
            if (image.pixelColor(x, y).alpha() > 128 && image.pixelColor(x, y).lightness() < 100)
                ink |= QRect(x, y, 1, 1);
        }
    }
    EXPECT_NEAR(ink.left(), 111, 2) << "text";
    EXPECT_NEAR(ink.top(), 84, 1.5) << "text";
    EXPECT_NEAR(ink.bottom(), 98, 1.5) << "text";
    EXPECT_NEAR(ink.width(), QByteArray(GetParam()) == "drawing.emf" ? 6 * 8 + 9 : 67, 3) << "text";
}

INSTANTIATE_TEST_SUITE_P(Files, MetafileDrawing,
    testing::Values("drawing.wmf", "drawing-plain.wmf", "drawing.emf", "metafile-named.png"),
    [](const testing::TestParamInfo<const char*>& info) {
        QString name = QString::fromUtf8(info.param);
        return name.replace(QLatin1Char('.'), QLatin1Char('_')).replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
    });

// Both libraries drew pens about a pixel wide whatever the file asked for; the rectangle's
// border is 4 pixels, centred on its edge at x = 10.
TEST(Metafile, pensKeepTheirWidth)
{
    for (const char* file : { "drawing.wmf", "drawing.emf" }) {
        const Result<QImage> r = readPicture(dataFile(file));
        ASSERT_TRUE(r.ok()) << r.error().text();
        for (const int x : { 9, 10 })
            EXPECT_EQ(r->pixelColor(x, 40), QColor(Qt::black)) << file << " x " << x;
        EXPECT_EQ(r->pixelColor(13, 40), QColor(Qt::red)) << file;
    }
}

struct Refused {
    const char* file;
    Problem problem;
    const char* cause;
};

void PrintTo(const Refused& c, std::ostream* os)
{
    *os << c.file;
}

class MetafileRefused : public testing::TestWithParam<Refused> { };

TEST_P(MetafileRefused, withANamedError)
{
    const QString path = dataFile(GetParam().file);
    const Result<QImage> r = readPicture(path);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().problem(), GetParam().problem);
    EXPECT_EQ(r.error().text(),
        QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), QString::fromUtf8(GetParam().cause)).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Files, MetafileRefused,
    testing::Values(
        // Bitmap headers of 0 and 1 bytes once hung the converter for ever; refused before playing.
        Refused { "hang-bisize0.wmf", Problem::Damaged, "the picture data is damaged or incomplete" },
        Refused { "hang-bisize1.wmf", Problem::Damaged, "the picture data is damaged or incomplete" },
        Refused { "truncated.wmf", Problem::Damaged, "the picture data is damaged or incomplete" },
        // Records that end past the file.
        Refused { "truncated.emf", Problem::Damaged, "the picture data is damaged or incomplete" },
        Refused { "bad-record.emf", Problem::Damaged, "the picture data is damaged or incomplete" },
        Refused { "tiny.emf", Problem::NotAPicture, "not a picture Movelle can read" }));

}
