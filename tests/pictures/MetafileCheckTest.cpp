// SPDX-License-Identifier: MIT
#include "pictures/MetafileCheck.h"
#include "pictures/MetafilePlayer.h"

#include <QFile>

#include <gtest/gtest.h>

#include "LittleEndian.h"
#include "MetafileBuilder.h"

#include <functional>

using pictures::MetafileCheck;
using pictures::MetafilePlayer;
using pictures::Problem;
using pictures::Result;

using namespace pictures::test;
using MetafileBuilder::bytesOf;

namespace {

QByteArray corpus(const char* name)
{
    QFile file(QStringLiteral(MOVELLE_PICTURES_DATA "/") + QString::fromUtf8(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

Result<MetafileCheck::Header> check(const QByteArray& d)
{
    return MetafileCheck::check(bytesOf(d));
}

// Offset of the first WMF record with this function, walking from the records' start.
qsizetype wmfRecord(const QByteArray& d, quint16 function)
{
    qsizetype at = 22 + 18;
    while (at + 6 <= d.size()) {
        if (le16(d, at + 4) == function)
            return at;
        at += qsizetype(le32(d, at)) * 2;
    }
    return -1;
}

qsizetype emfRecord(const QByteArray& d, quint32 type)
{
    qsizetype at = 0;
    while (at + 8 <= d.size()) {
        if (le32(d, at) == type)
            return at;
        at += qsizetype(le32(d, at + 4));
    }
    return -1;
}

constexpr quint16 stretchDib = 0x0F43;
constexpr quint16 polygon = 0x0324;
// In a StretchDIB record the bitmap header starts after 6 bytes of record header and 22 of parameters.
constexpr qsizetype dibAt = 28;

TEST(MetafileCheck, sizesAt96Dpi)
{
    for (const char* name : { "drawing.wmf", "drawing-plain.wmf", "drawing.emf" }) {
        const Result<MetafileCheck::Header> r = check(corpus(name));
        ASSERT_TRUE(r.ok()) << name;
        EXPECT_EQ(r->width, 200) << name;
        EXPECT_EQ(r->height, 150) << name;
    }
    EXPECT_EQ(check(corpus("drawing.wmf"))->kind, MetafileCheck::Kind::PlaceableWmf);
    EXPECT_EQ(check(corpus("drawing-plain.wmf"))->kind, MetafileCheck::Kind::Wmf);
    EXPECT_EQ(check(corpus("drawing.emf"))->kind, MetafileCheck::Kind::Emf);
}

struct Mutation {
    const char* name;
    const char* file;
    std::function<void(QByteArray&)> change;
    Problem expected = Problem::Damaged;
};

void PrintTo(const Mutation& m, std::ostream* os)
{
    *os << m.name;
}

class MetafileCheckRefuses : public testing::TestWithParam<Mutation> { };

TEST_P(MetafileCheckRefuses, beforeTheLibrariesSeeIt)
{
    QByteArray d = corpus(GetParam().file);
    GetParam().change(d);
    const Result<MetafileCheck::Header> r = check(d);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().problem(), GetParam().expected);
}

void setDib32(QByteArray& d, qsizetype offset, quint32 value)
{
    const qsizetype at = wmfRecord(d, stretchDib);
    ASSERT_GT(at, 0);
    setLe32(d, at + dibAt + offset, quint32(value));
}

INSTANTIATE_TEST_SUITE_P(Corpus, MetafileCheckRefuses,
    testing::Values(
        // The header sizes that send libwmf into an endless loop, and one larger than the record.
        Mutation { "bitmapHeaderSize0", "drawing.wmf", [](QByteArray& d) { setDib32(d, 0, 0); } },
        Mutation { "bitmapHeaderSize1", "drawing.wmf", [](QByteArray& d) { setDib32(d, 0, 1); } },
        Mutation { "bitmapHeaderSize124", "drawing.wmf", [](QByteArray& d) { setDib32(d, 0, 124); } },
        Mutation { "bitmapWiderThanItsBits", "drawing.wmf", [](QByteArray& d) { setDib32(d, 4, 3); } },
        Mutation { "bitmapHugeHeight", "drawing.wmf", [](QByteArray& d) { setDib32(d, 8, 0x7fffffff); } },
        Mutation { "bitmapOddDepth", "drawing.wmf",
            [](QByteArray& d) { setLe16(d, wmfRecord(d, stretchDib) + dibAt + 14, quint32(7)); } },
        Mutation { "polygonCountBeyondRecord", "drawing.wmf",
            [](QByteArray& d) { setLe16(d, wmfRecord(d, polygon) + 6, quint32(500)); } },
        Mutation { "recordOfZeroWords", "drawing.wmf", [](QByteArray& d) { setLe32(d, wmfRecord(d, polygon), 0u); } },
        Mutation { "recordPastTheEnd", "drawing.wmf",
            [](QByteArray& d) { setLe32(d, wmfRecord(d, polygon), quint32(0x10000)); } },
        Mutation { "noEndRecord", "drawing.wmf", [](QByteArray& d) { d.chop(6); } },
        Mutation { "unitsPerInchZero", "drawing.wmf", [](QByteArray& d) { setLe16(d, 14, quint32(0)); } },
        // Only versions 1 and 3 of the format exist.
        Mutation { "unknownVersion", "drawing.wmf", [](QByteArray& d) { setLe16(d, 22 + 4, quint32(0x0200)); } },
        Mutation { "fourBytes", "drawing.emf", [](QByteArray& d) { d.truncate(4); }, Problem::NotAPicture },
        Mutation { "headerOnly", "drawing.emf", [](QByteArray& d) { d.truncate(100); } },
        Mutation { "cutInsideARecord", "drawing.emf", [](QByteArray& d) { d.chop(30); } },
        Mutation { "recordSizeNotAMultipleOf4", "drawing.emf",
            [](QByteArray& d) { setLe32(d, emfRecord(d, 43) + 4, quint32(13)); } },
        Mutation { "recordSizeBelow8", "drawing.emf", [](QByteArray& d) { setLe32(d, emfRecord(d, 43) + 4, 4u); } },
        Mutation { "unknownRecordType", "drawing.emf", [](QByteArray& d) { setLe32(d, emfRecord(d, 43), 999u); } },
        Mutation { "secondHeader", "drawing.emf", [](QByteArray& d) { setLe32(d, emfRecord(d, 43), 1u); } },
        Mutation { "beyondTheFileBound", "drawing.emf",
            [](QByteArray& d) { d.resize(qsizetype(MetafileCheck::maxFileSize) + 1); }, Problem::TooLarge }));

// A drawing beyond the picture limits is drawn smaller, keeping its proportions, not refused. Small
// limits here, so that the test does not draw half a gigabyte.
struct Large {
    const char* name;
    const char* file;
    std::function<void(QByteArray&)> change;
    QSize header;
    QSize drawn;
};

void PrintTo(const Large& l, std::ostream* os)
{
    *os << l.name;
}

class MetafileBeyondTheLimits : public testing::TestWithParam<Large> { };

TEST_P(MetafileBeyondTheLimits, isDrawnSmallerInProportion)
{
    QByteArray d = corpus(GetParam().file);
    GetParam().change(d);
    const Result<MetafileCheck::Header> header = check(d);
    ASSERT_TRUE(header.ok()) << header.error().message();
    EXPECT_EQ(QSize(int(header->width), int(header->height)), GetParam().header);
    pictures::Limits limits;
    limits.maxSide = 1000;
    limits.maxBytes = 4 * 200'000;
    const Result<QImage> drawn = MetafilePlayer::play(bytesOf(d), limits, MetafilePlayer::Bounds {});
    ASSERT_TRUE(drawn.ok()) << drawn.error().message();
    EXPECT_EQ(drawn->size(), GetParam().drawn);
    EXPECT_TRUE(limits.allows(drawn->width(), drawn->height()));
}

INSTANTIATE_TEST_SUITE_P(Corpus, MetafileBeyondTheLimits,
    testing::Values(
        // 32000 x 24000 units at 10 an inch, down to the limit's 200,000 pixels.
        Large { "placeable", "drawing.wmf",
            [](QByteArray& d) { setLe16(d, 10, 32000u); setLe16(d, 12, 24000u); setLe16(d, 14, 10u); },
            QSize(307200, 230400), QSize(516, 387) },
        // Down to the side limit.
        Large { "plainWindow", "drawing-plain.wmf",
            // SetWindowExt is the third record: y then x, after 18 bytes of header and 16 of records.
            [](QByteArray& d) { setLe16(d, 18 + 8 + 10 + 6, 300u); setLe16(d, 18 + 8 + 10 + 8, 30000u); },
            QSize(30000, 300), QSize(1000, 10) },
        // As the corpus's two large charts.
        Large { "emfFrame", "drawing.emf",
            [](QByteArray& d) { setLe32(d, 32, 318743u); setLe32(d, 36, 412512u); },
            QSize(12047, 15591), QSize(393, 508) }));

TEST(MetafilePlayer, fitsTheCorpusChartsIntoTheByteLimit)
{
    EXPECT_EQ(MetafilePlayer::fittedSize(12047, 15591, {}), QSize(10183, 13179));
    EXPECT_EQ(MetafilePlayer::fittedSize(200, 150, {}), QSize(200, 150));
}

TEST(MetafileCheck, ignoresBytesAfterTheEndRecord)
{
    QByteArray d = corpus("drawing.emf");
    const Result<MetafileCheck::Header> clean = check(d);
    d.append(QByteArray(37, '\x55'));
    const Result<MetafileCheck::Header> padded = check(d);
    ASSERT_TRUE(padded.ok());
    EXPECT_EQ(padded->length, clean->length);
}

}
