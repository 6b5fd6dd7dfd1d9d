// SPDX-License-Identifier: MIT
// The player against small metafiles that each draw one fact, including the faults the SVG
// converters had (filled polylines, rounded colours, lost hatches, dashes, underlines and code
// pages, unscaled ExtCreatePen widths, blank 1x1-window diagrams, a black default brush, dropped
// text above 0x7F) and the bounds that keep a hostile file from running away.
#include "MetafileBuilder.h"

#include "pictures/MetafilePlayer.h"
#include "pictures/MetafileText.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using pictures::MetafilePlayer;
using pictures::MetafileText;
using pictures::Problem;
using pictures::Result;
using namespace MetafileBuilder;

namespace {

QImage played(const QByteArray& file, const MetafilePlayer::Bounds& bounds = {})
{
    const Result<QImage> r = MetafilePlayer::play(bytesOf(file), pictures::Limits {}, bounds);
    EXPECT_TRUE(r.ok()) << r.error().message();
    return r.ok() ? r.value() : QImage();
}

// Why a metafile was refused; Problem::None when it was drawn.
Problem refusal(const QByteArray& file, const MetafilePlayer::Bounds& bounds = {})
{
    const Result<QImage> r = MetafilePlayer::play(bytesOf(file), pictures::Limits {}, bounds);
    return r.ok() ? Problem::None : r.error().problem();
}

bool inked(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y).alpha() > 128;
}

// WMF object records. Colours are COLORREF in two words.
Wmf& pen(Wmf& w, int style, int width, std::uint32_t colour)
{
    return w.record(0x02FA, { style, width, 0, int(colour & 0xFFFF), int(colour >> 16) });
}

Wmf& brush(Wmf& w, int style, std::uint32_t colour, int hatch = 0)
{
    return w.record(0x02FC, { style, int(colour & 0xFFFF), int(colour >> 16), hatch });
}

Wmf& select(Wmf& w, int index)
{
    return w.record(0x012D, { index });
}

Wmf& rectangle(Wmf& w, int left, int top, int right, int bottom)
{
    return w.record(0x041B, { bottom, right, top, left });
}

QByteArray font(int height, bool underline, int charset, const char* face = "Arial", int width = 0)
{
    QByteArray f;
    for (const int v : { height, width, 0, 0, 400 })
        put16(f, v);
    f.append(char(0));
    f.append(char(underline));
    f.append(char(0));
    f.append(char(charset));
    f.append(QByteArray(4, '\0'));
    f.append(face);
    f.append('\0');
    return f;
}

// CreateFontIndirect of the first object of the file, selected.
Wmf& withFont(Wmf& w, const QByteArray& font)
{
    return select(w.raw(0x02FB, font), 0);
}

QByteArray textOut(int x, int y, const QByteArray& text)
{
    QByteArray t;
    put16(t, int(text.size()));
    t.append(text);
    if (text.size() % 2)
        t.append('\0');
    put16(t, y);
    put16(t, x);
    return t;
}

TEST(MetafilePlayer, polylinesAreNotFilled)
{
    // The skier of libwmf's sample.wmf came out as a black silhouette: open lines were filled.
    Wmf w(100, 100);
    brush(w, 0, rgb(0, 0, 0));
    select(w, 0);
    pen(w, 0, 1, rgb(0, 0, 0));
    select(w, 1);
    w.record(0x0325, { 3, 10, 10, 50, 90, 90, 10 });
    const QImage image = played(w.bytes());
    EXPECT_EQ(image.pixelColor(50, 40).alpha(), 0) << "inside the V";
    EXPECT_TRUE(inked(image, 30, 50) || inked(image, 29, 50) || inked(image, 31, 50)) << "on the line";

    // Nor is an EMF angle arc under a black brush: CreateBrushIndirect, SelectObject, MoveToEx to
    // the centre, then AngleArc round (50, 50), radius 40, from 0 degrees over 180.0f.
    Emf e(100, 100);
    e.record(39, { 1, 0, rgb(0, 0, 0), 0 }).record(37, { 1 }).record(27, { 50, 50 });
    e.record(41, { 50, 50, 40, 0, 0x43340000 });
    const QImage arc = played(e.bytes());
    EXPECT_EQ(arc.pixelColor(50, 30).alpha(), 0) << "inside the arc";
    EXPECT_TRUE(inked(arc, 50, 10) || inked(arc, 50, 11)) << "on the arc";
}

TEST(MetafilePlayer, coloursAreExact)
{
    Wmf w(100, 100);
    pen(w, 5, 0, 0);
    select(w, 0);
    brush(w, 0, rgb(17, 130, 201));
    select(w, 1);
    rectangle(w, 10, 10, 90, 90);
    EXPECT_EQ(played(w.bytes()).pixelColor(50, 50), QColor(17, 130, 201));
}

struct HatchCase {
    int backgroundMode; // 1 transparent, 2 opaque
    bool gapsTransparent;
};

class MetafileHatch : public testing::TestWithParam<HatchCase> { };

TEST_P(MetafileHatch, linesAndGapsShow)
{
    Wmf w(100, 100);
    w.record(0x0102, { GetParam().backgroundMode });
    w.record(0x0201, { int(rgb(255, 255, 0) & 0xFFFF), int(rgb(255, 255, 0) >> 16) });
    pen(w, 5, 0, 0);
    select(w, 0);
    brush(w, 2, rgb(0, 0, 255), 4); // HS_CROSS
    select(w, 1);
    rectangle(w, 0, 0, 100, 100);
    const QImage image = played(w.bytes());
    int blue = 0, yellow = 0, clear = 0;
    for (int y = 30; y < 62; ++y) {
        for (int x = 30; x < 62; ++x) {
            const QColor c = image.pixelColor(x, y);
            blue += c == QColor(0, 0, 255);
            yellow += c == QColor(255, 255, 0);
            clear += c.alpha() == 0;
        }
    }
    EXPECT_GT(blue, 32) << "hatch lines";
    EXPECT_EQ(clear > 0, GetParam().gapsTransparent);
    EXPECT_EQ(yellow > 0, !GetParam().gapsTransparent) << "gaps in the background colour when opaque";
    EXPECT_EQ(blue + yellow + clear, 32 * 32) << "nothing but lines and gaps";
}

INSTANTIATE_TEST_SUITE_P(Modes, MetafileHatch, testing::Values(HatchCase { 1, true }, HatchCase { 2, false }));

TEST(MetafilePlayer, patternBrushesTileFromTheCorner)
{
    // A 2 x 2 24-bit DIB, bottom-up: blue, white; then red, green on top.
    const QByteArray dib = dibInfo(2, 2, 24) + QByteArray::fromHex("ff0000ffffff0000" "0000ff00ff000000");
    Wmf w(100, 100);
    pen(w, 5, 0, 0);
    select(w, 0);
    w.raw(0x0142, QByteArray::fromHex("05000000") + dib); // DIBCreatePatternBrush: BS_DIBPATTERNPT, DIB_RGB_COLORS
    select(w, 1);
    rectangle(w, 0, 0, 100, 100);
    const QImage image = played(w.bytes());
    EXPECT_EQ(image.pixelColor(40, 40), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(41, 40), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(40, 41), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(41, 41), QColor(255, 255, 255));
}

TEST(MetafilePlayer, drawsTheOldDeviceBitmaps)
{
    // BitBlt with a monochrome device-dependent bitmap (8 x 2, two bytes a row: four white
    // pixels, four black). The check once refused the whole file as damaged.
    Wmf w(8, 2);
    w.record(0x0922, { 0x0020, 0x00CC, 0, 0, 2, 8, 0, 0, 0, 8, 2, 2, 0x0101, 0x00F0, 0x00F0 });
    const QImage image = played(w.bytes());
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(image.pixelColor(x, 1), x < 4 ? QColor(Qt::white) : QColor(Qt::black)) << x;
}

TEST(MetafilePlayer, runLengthBitmapsDefineThePixelsTheyNeverReach)
{
    // RLE8, 4 x 2, colours green and red: the bottom row is red, then the bitmap ends. The top
    // row is left transparent, as the bitmap reader leaves such pixels, so what lay beneath
    // shows; never whatever memory held (Qt's reader left it so).
    const QByteArray dib = dibInfo(4, 2, 8, 1, 6, 2) + QByteArray::fromHex("00ff0000" "0000ff00" "0401" "0000" "0001");
    Wmf w(4, 2);
    w.raw(0x0F43, QByteArray::fromHex("2000cc00" "0000" "0200" "0400" "0000" "0000" "0200" "0400" "0000" "0000") + dib);
    const QImage image = played(w.bytes());
    EXPECT_EQ(image, played(w.bytes()));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(image.pixelColor(x, 1), QColor(Qt::red)) << x;
        // Drawn with smoothing, an edge pixel may take a trace of its neighbour, nothing more.
        EXPECT_LE(image.pixelColor(x, 0).alpha(), 0x20) << x;
    }
}

TEST(MetafilePlayer, maskBlitsLandOnWhite)
{
    // SRCAND of a monochrome bitmap is text on a page: on the empty (transparent) picture it
    // came out black all over (libemf2svg's test-118).
    Wmf w(8, 2);
    w.record(0x0922, { 0x00C6, 0x0088, 0, 0, 2, 8, 0, 0, 0, 8, 2, 2, 0x0101, 0x00F0, 0x00F0 });
    const QImage image = played(w.bytes());
    EXPECT_EQ(image.pixelColor(1, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(6, 0), QColor(Qt::black));
}

// Which columns of a horizontal line at row y have ink, as runs of equal state.
std::vector<int> runs(const QImage& image, int y, int from, int to)
{
    std::vector<int> out;
    bool state = inked(image, from, y);
    int length = 0;
    for (int x = from; x < to; ++x) {
        if (inked(image, x, y) != state) {
            out.push_back(length);
            state = !state;
            length = 0;
        }
        ++length;
    }
    out.push_back(length);
    return out;
}

TEST(MetafilePlayer, cosmeticPensKeepTheirDashes)
{
    // Transparent: in the default opaque mode the gaps are painted in the background colour.
    Wmf w(200, 20);
    w.record(0x0102, { 1 });
    pen(w, 1, 0, rgb(0, 0, 0)); // PS_DASH, one pixel
    select(w, 0);
    w.record(0x0214, { 10, 0 }); // MoveTo y, x
    w.record(0x0213, { 10, 200 });
    const QImage image = played(w.bytes());
    // Windows' dash: 18 pixels on, 6 off. With antialiasing a one-pixel line at y = 10 covers
    // rows 9 and 10 by half; take the union.
    QImage line(200, 1, QImage::Format_ARGB32);
    for (int x = 0; x < 200; ++x)
        line.setPixelColor(x, 0, image.pixelColor(x, 9).alpha() + image.pixelColor(x, 10).alpha() > 128 ? Qt::black : Qt::transparent);
    const std::vector<int> r = runs(line, 0, 0, 192);
    ASSERT_GE(r.size(), 6u);
    for (std::size_t i = 1; i + 1 < r.size(); ++i)
        EXPECT_NEAR(r[i], i % 2 ? 6 : 18, 1) << "run " << i;
}

int longestRun(const QImage& image)
{
    int best = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = inked(image, x, y) ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

// The box around everything inked.
QRect inkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (inked(image, x, y))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// "HHHH" in Arial, drawn in Liberation Sans, whose capitals are 0.688 em high and 0.722 em apart:
// a negative height is the em, a positive one the cell (1.117 em), and a width the weighted
// average of the lower-case letters (0.441 em, where Liberation's own average is 0.579).
struct FontSizeCase {
    const char* name;
    int height;
    int width;
    double em;
    double stretch;
};

void PrintTo(const FontSizeCase& c, std::ostream* os)
{
    *os << c.name;
}

class MetafileFontSize : public testing::TestWithParam<FontSizeCase> { };

TEST_P(MetafileFontSize, isTheSizeWindowsDraws)
{
    const FontSizeCase& c = GetParam();
    Wmf w(120, 40);
    withFont(w.record(0x0102, { 1 }), font(c.height, false, 0, "Arial", c.width));
    const QRect box = inkBox(played(w.raw(0x0521, textOut(10, 5, "HHHH")).bytes()));
    // Antialiasing inks part of a pixel more at either end.
    EXPECT_NEAR(box.height(), 0.688 * c.em, 1.5);
    // Three advances and the last H's own ink (0.564 em).
    EXPECT_NEAR(box.width(), (3 * 0.722 + 0.564) * c.em * c.stretch, 2.5);
    // Top-aligned at y 5: the capitals start below the ascent's gap (0.905 - 0.688 em).
    EXPECT_NEAR(box.top(), 5 + (0.905 - 0.688) * c.em, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Heights, MetafileFontSize,
    testing::Values(FontSizeCase { "characterHeight", -24, 0, 24, 1 },
        FontSizeCase { "cellHeight", 27, 0, 27 / 1.117, 1 },
        FontSizeCase { "widthOfArial", -24, 11, 24, 11 / (0.441 * 24) }),
    [](const testing::TestParamInfo<FontSizeCase>& info) { return std::string(info.param.name); });

TEST(MetafilePlayer, underlinesAreDrawn)
{
    auto text = [](bool underline) {
        Wmf w(120, 40);
        withFont(w.record(0x0102, { 1 }), font(-24, underline, 0));
        return played(w.raw(0x0521, textOut(10, 5, "iiiiiiii")).bytes());
    };
    EXPECT_LT(longestRun(text(false)), 8);
    EXPECT_GT(longestRun(text(true)), 30);
}

struct CodePageCase {
    int charset;
    const char* hex;
    const char* text;
};

void PrintTo(const CodePageCase& c, std::ostream* os)
{
    *os << "charset " << c.charset;
}

class MetafileCodePage : public testing::TestWithParam<CodePageCase> { };

TEST_P(MetafileCodePage, decodesTheFontsCharacterSet)
{
    const QByteArray bytes = QByteArray::fromHex(GetParam().hex);
    EXPECT_EQ(MetafileText::decode(bytesOf(bytes), GetParam().charset).toStdString(), std::string(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Charsets, MetafileCodePage,
    testing::Values(CodePageCase { 0, "80e9", "€é" }, // ANSI
        CodePageCase { 1, "80e9", "€é" }, // DEFAULT
        CodePageCase { 2, "61", "a" }, // SYMBOL: as the font has it
        CodePageCase { 77, "8e", "é" }, // MAC
        CodePageCase { 128, "82a0", "あ" }, // SHIFTJIS
        CodePageCase { 129, "b0a1", "가" }, // HANGUL
        CodePageCase { 134, "c4e3", "你" }, // GB2312
        CodePageCase { 136, "a4a4", "中" }, // CHINESEBIG5
        CodePageCase { 161, "e1e2e3", "αβγ" }, // GREEK
        CodePageCase { 162, "f0", "ğ" }, // TURKISH
        CodePageCase { 177, "e0", "א" }, // HEBREW
        CodePageCase { 178, "c7", "ا" }, // ARABIC
        CodePageCase { 186, "e8", "č" }, // BALTIC
        CodePageCase { 204, "cff0e8e2e5f2", "Привет" }, // RUSSIAN
        CodePageCase { 222, "a1", "ก" }, // THAI
        CodePageCase { 238, "b9", "ą" }, // EASTEUROPE
        CodePageCase { 255, "82", "é" } // OEM
        ));

TEST(MetafilePlayer, textInACodePageIsDrawn)
{
    // Windows-1251 text once made the whole picture "damaged".
    Wmf w(200, 40);
    withFont(w, font(-24, false, 204));
    w.raw(0x0521, textOut(5, 5, QByteArray::fromHex("cff0e8e2e5f2")));
    EXPECT_GT(longestRun(played(w.bytes())), 0);

    // Shift-JIS "II" with 40-pixel advances, cut after a lead byte: the lone lead byte draws
    // nothing and takes no advance, and the two letters keep theirs (they lost them all).
    Wmf cut(200, 40);
    withFont(cut.record(0x0102, { 1 }), font(-24, false, 128));
    QByteArray extTextOut;
    for (const int v : { 5, 5, 3, 0, 0x4949, 0x0082, 40, 40, 40 })
        put16(extTextOut, v);
    const QRect box = inkBox(played(cut.raw(0x0A32, extTextOut).bytes()));
    EXPECT_GT(box.right(), 5 + 40);
    EXPECT_LT(box.right(), 5 + 40 + 12);
}

// EMF -------------------------------------------------------------------------------------------

constexpr std::uint32_t setMapMode = 17, setWindowExt = 9, setWindowOrg = 10, setViewportExt = 11, moveTo = 27,
                        lineTo = 54, selectObject = 37, extCreatePen = 95, createBrush = 39, rectangleRecord = 43,
                        stockNullPen = 0x80000008;

// ExtCreatePen: handle, no bitmap, style, width, solid brush, colour, no hatch, no dashes.
Emf& geometricPen(Emf& e, std::uint32_t style, std::uint32_t width)
{
    return e.record(extCreatePen, { 1, 0, 0, 0, 0, 0x10000 | 0x200 | style, width, 0, 0, 0, 0 });
}

Emf& quarterScale(Emf& e)
{
    return e.record(setMapMode, { 8 }).record(setWindowExt, { 800, 800 }).record(setViewportExt, { 200, 200 });
}

TEST(MetafilePlayer, geometricPensScaleWithTheMapping)
{
    // A 20-unit pen on a quarter-scale mapping is 5 pixels wide (it was drawn 20 wide).
    Emf e(200, 200);
    quarterScale(e);
    geometricPen(e, 0, 20).record(selectObject, { 1 });
    e.record(moveTo, { 402, 100 }).record(lineTo, { 402, 700 });
    const QImage image = played(e.bytes());
    int width = 0;
    for (int x = 90; x < 110; ++x)
        width += inked(image, x, 100);
    EXPECT_EQ(width, 5);
}

TEST(MetafilePlayer, geometricPensKeepTheirDashes)
{
    // PS_DASH on a geometric pen: three widths on, one off, at the scaled width of 5 pixels.
    Emf e(200, 40);
    e.record(18, { 1 });
    quarterScale(e);
    geometricPen(e, 1, 20).record(selectObject, { 1 });
    e.record(moveTo, { 0, 82 }).record(lineTo, { 800, 82 });
    const std::vector<int> r = runs(played(e.bytes()), 20, 0, 200);
    ASSERT_GE(r.size(), 8u);
    for (std::size_t i = 1; i + 1 < r.size(); ++i)
        EXPECT_NEAR(r[i], i % 2 ? 5 : 15, 1) << "run " << i;
}

TEST(MetafilePlayer, miterLimitsUpToAThousandAreTaken)
{
    // A 4-pixel mitred pen turning back at (190, 21): its point reaches 360 pixels past the corner.
    // The default limit of 10 cuts it short; 1000 lets it run; 1001 is refused and leaves the 10.
    for (const std::uint32_t limit : { 1000u, 1001u }) {
        Emf e(300, 40);
        geometricPen(e, 0x2000, 4).record(selectObject, { 1 });
        e.record(58, { limit }).record(4, { 0, 0, 0, 0, 3, 10, 20, 190, 21, 10, 22 });
        EXPECT_EQ(inked(played(e.bytes()), 250, 21), limit == 1000) << "limit " << limit;
    }
}

TEST(MetafilePlayer, aOneByOneWindowWithoutViewportIsPixels)
{
    // Diagrams set MM_ANISOTROPIC with a 1 x 1 window and leave the viewport alone.
    Emf e(100, 100);
    e.record(setMapMode, { 8 }).record(setWindowExt, { 1, 1 });
    e.record(setWindowOrg, { std::uint32_t(-20), std::uint32_t(-30) });
    e.record(createBrush, { 2, 0, rgb(255, 0, 0), 0 }).record(selectObject, { 2 });
    e.record(selectObject, { stockNullPen });
    e.record(rectangleRecord, { 0, 0, 40, 40 });
    const QImage image = played(e.bytes());
    EXPECT_EQ(image.pixelColor(40, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(15, 50).alpha(), 0);
    EXPECT_EQ(image.pixelColor(40, 25).alpha(), 0);
    EXPECT_EQ(image.pixelColor(65, 50).alpha(), 0);
}

TEST(MetafilePlayer, aFrameThatMissesItsDrawingMovesToTheBounds)
{
    // A diagram tool's file: drawn at y from -100 to -1, with its frame at the origin. Bounds
    // turned inside out (right < left and bottom < top) say nothing: the frame stays put.
    for (const int top : { -100, 0 }) {
        Emf e(100, 100);
        if (top < 0)
            e.bounds(0, -100, 99, -1);
        else
            e.bounds(199, 99, 100, 0);
        e.record(createBrush, { 2, 0, rgb(255, 0, 0), 0 }).record(selectObject, { 2 }).record(selectObject, { stockNullPen });
        e.record(rectangleRecord, { 0, std::uint32_t(top), 50, std::uint32_t(top + 50) });
        const QImage image = played(e.bytes());
        EXPECT_EQ(image.pixelColor(25, 25), QColor(Qt::red)) << top;
        EXPECT_EQ(image.pixelColor(75, 75).alpha(), 0) << top;
    }
}

TEST(MetafilePlayer, theDefaultBrushIsWhite)
{
    // Inside, the stock black brush edged by the stock white pen.
    Emf e(100, 100);
    e.record(rectangleRecord, { 10, 10, 90, 90 });
    e.record(selectObject, { 0x80000004 }).record(selectObject, { 0x80000006 }).record(rectangleRecord, { 30, 30, 70, 70 });
    const QImage image = played(e.bytes());
    EXPECT_EQ(image.pixelColor(20, 50), QColor(Qt::white));
    EXPECT_LT(image.pixelColor(10, 50).lightness(), 160) << "the default pen is black";
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::black));
    EXPECT_GT(image.pixelColor(30, 50).lightness(), 96) << "the white pen";
}

TEST(MetafilePlayer, wideTextAbove7FIsDrawn)
{
    // EXTCREATEFONTINDIRECTW: handle, LOGFONTW with height -24 and face "Arial".
    QByteArray logFont;
    for (const int v : { 1, -24, 0, 0, 0, 400 })
        put32(logFont, std::uint32_t(v));
    logFont.append(QByteArray(8, '\0'));
    const QString face = QStringLiteral("Arial");
    logFont.append(reinterpret_cast<const char*>(face.utf16()), face.size() * 2);
    logFont.append(QByteArray(64 - face.size() * 2, '\0'));
    // EXTTEXTOUTW: bounds, mode, scales, then EMRTEXT (reference, count, string offset, options,
    // rectangle, advances offset) and the string.
    const QString text = QStringLiteral("ÉÉÉÉ");
    QByteArray out;
    for (const std::uint32_t v :
        { 0u, 0u, 0u, 0u, 1u, 0u, 0u, 10u, 10u, std::uint32_t(text.size()), 76u, 0u, 0u, 0u, 0u, 0u, 0u })
        put32(out, v);
    out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    Emf e(120, 50);
    e.record(18, { 1 }).raw(82, logFont).record(selectObject, { 1 }).raw(84, out);
    EXPECT_GT(longestRun(played(e.bytes())), 3);
}

struct ArcCase {
    std::uint32_t direction; // 1 anticlockwise, 2 clockwise
    bool topRight;
    bool bottomRight;
    bool topLeft;
};

class MetafileArc : public testing::TestWithParam<ArcCase> { };

TEST_P(MetafileArc, piesRunInTheArcDirection)
{
    Emf e(100, 100);
    e.record(57, { GetParam().direction });
    e.record(createBrush, { 2, 0, rgb(255, 0, 0), 0 }).record(selectObject, { 2 }).record(selectObject, { stockNullPen });
    e.record(47, { 0, 0, 100, 100, 100, 50, 50, 0 }); // Pie from 3 o'clock to 12 o'clock
    const QImage image = played(e.bytes());
    EXPECT_EQ(inked(image, 75, 25), GetParam().topRight);
    EXPECT_EQ(inked(image, 75, 75), GetParam().bottomRight);
    EXPECT_EQ(inked(image, 25, 25), GetParam().topLeft);
}

INSTANTIATE_TEST_SUITE_P(Directions, MetafileArc,
    testing::Values(ArcCase { 1, true, false, false }, ArcCase { 2, false, true, true }));

struct RestoreCase {
    int which;
    QColor expected;
};

void PrintTo(const RestoreCase& c, std::ostream* os)
{
    *os << "RestoreDC(" << c.which << ")";
}

class MetafileRestoreDc : public testing::TestWithParam<RestoreCase> { };

TEST_P(MetafileRestoreDc, goesBackToTheSavedState)
{
    // Saved: 1 with the default white brush, 2 with red; blue is current when restoring.
    Emf e(20, 20);
    e.record(selectObject, { stockNullPen });
    e.record(createBrush, { 2, 0, rgb(255, 0, 0), 0 }).record(createBrush, { 3, 0, rgb(0, 0, 255), 0 });
    e.record(33, {}).record(selectObject, { 2 }).record(33, {}).record(selectObject, { 3 });
    e.record(34, { std::uint32_t(GetParam().which) });
    e.record(rectangleRecord, { 0, 0, 20, 20 });
    EXPECT_EQ(played(e.bytes()).pixelColor(10, 10), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Levels, MetafileRestoreDc,
    testing::Values(RestoreCase { -1, Qt::red }, RestoreCase { -2, Qt::white }, RestoreCase { -3, Qt::blue },
        RestoreCase { 1, Qt::white }, RestoreCase { 2, Qt::red }, RestoreCase { 3, Qt::blue },
        RestoreCase { 0, Qt::blue }));

// Fill red, clip by a rectangle, fill blue: excluding keeps red inside the rectangle and blue
// around it, intersecting the other way round.
struct ClipCase {
    const char* name;
    bool wmf;
    bool exclude;
};

void PrintTo(const ClipCase& c, std::ostream* os)
{
    *os << c.name;
}

class MetafileClip : public testing::TestWithParam<ClipCase> { };

TEST_P(MetafileClip, keepsTheFirstFillWhereTheSecondIsClippedAway)
{
    const ClipCase& c = GetParam();
    QByteArray file;
    if (c.wmf) {
        Wmf w(40, 40);
        pen(w, 5, 0, 0);
        brush(w, 0, rgb(255, 0, 0));
        brush(w, 0, rgb(0, 0, 255));
        select(w, 0).record(0x012D, { 1 });
        rectangle(w, 0, 0, 40, 40);
        w.record(c.exclude ? 0x0415 : 0x0416, { 30, 30, 10, 10 }); // bottom, right, top, left
        select(w, 2);
        rectangle(w, 0, 0, 40, 40);
        file = w.bytes();
    } else {
        Emf e(40, 40);
        e.record(selectObject, { stockNullPen });
        e.record(createBrush, { 1, 0, rgb(255, 0, 0), 0 }).record(createBrush, { 2, 0, rgb(0, 0, 255), 0 });
        e.record(selectObject, { 1 }).record(rectangleRecord, { 0, 0, 40, 40 });
        e.record(c.exclude ? 29 : 30, { 10, 10, 30, 30 });
        e.record(selectObject, { 2 }).record(rectangleRecord, { 0, 0, 40, 40 });
        file = e.bytes();
    }
    const QImage image = played(file);
    const QColor inside = c.exclude ? QColor(Qt::red) : QColor(Qt::blue);
    const QColor outside = c.exclude ? QColor(Qt::blue) : QColor(Qt::red);
    for (const QPoint p : { QPoint(12, 12), QPoint(20, 20), QPoint(27, 27) })
        EXPECT_EQ(image.pixelColor(p), inside) << "inside at " << p.x() << "," << p.y();
    for (const QPoint p : { QPoint(5, 5), QPoint(35, 20), QPoint(20, 35) })
        EXPECT_EQ(image.pixelColor(p), outside) << "outside at " << p.x() << "," << p.y();
}

INSTANTIATE_TEST_SUITE_P(Rectangles, MetafileClip,
    testing::Values(ClipCase { "wmfExclude", true, true }, ClipCase { "wmfIntersect", true, false },
        ClipCase { "emfExclude", false, true }, ClipCase { "emfIntersect", false, false }),
    [](const testing::TestParamInfo<ClipCase>& info) { return std::string(info.param.name); });

// One bitmap record on the empty picture, a 1 x 1 bitmap over 10 x 10 pixels: a WMF StretchDIB,
// an EMF StretchDIBits with the rop BLACKNESS, or an AlphaBlend with per-pixel alpha.
constexpr std::uint32_t wmfStretchDib = 0x0F43, stretchDiBits = 81, alphaBlend = 114;

struct BitmapCase {
    const char* name;
    std::uint32_t type;
    int bits; // 0: no bitmap header at all
    std::uint32_t compression;
    const char* pixel;
    QColor expected; // invalid: the file is refused as damaged
};

class MetafileBitmapRecord : public testing::TestWithParam<BitmapCase> { };

TEST_P(MetafileBitmapRecord, drawsWhatItsHeaderSays)
{
    const BitmapCase& c = GetParam();
    QByteArray info = c.bits ? dibInfo(1, 1, c.bits, c.compression) : QByteArray();
    if (c.bits && c.compression == 3)
        for (const std::uint32_t mask : c.bits == 16 ? std::vector<std::uint32_t> { 0xF800, 0x7E0, 0x1F }
                                                     : std::vector<std::uint32_t> { 0xFF0000, 0xFF00, 0xFF })
            put32(info, mask);
    const QByteArray pixel = QByteArray::fromHex(c.pixel);
    QByteArray file;
    if (c.type == wmfStretchDib) {
        QByteArray params;
        for (const int v : { 0x0020, 0x00CC, 0, 1, 1, 0, 0, 10, 10, 0, 0 })
            put16(params, v);
        file = Wmf(10, 10).raw(c.type, params + info + pixel).bytes();
    } else {
        const std::uint32_t at = c.type == stretchDiBits ? 80 : 108, infoSize = std::uint32_t(info.size());
        const std::uint32_t offsets[] = { at, infoSize, at + infoSize, std::uint32_t(pixel.size()) };
        QByteArray fields(16, '\0');
        // StretchDIBits: destination, source, bitmap, usage, rop, destination size. AlphaBlend:
        // destination, blend function, source, transform, background, usage, bitmap, source size.
        const auto fixed = c.type == stretchDiBits
            ? std::vector<std::uint32_t> { 0, 0, 0, 0, 1, 1, offsets[0], offsets[1], offsets[2], offsets[3], 0, 0x42, 10, 10 }
            : std::vector<std::uint32_t> { 0, 0, 10, 10, 0x01FF0000, 0, 0, 0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, 0,
                  offsets[0], offsets[1], offsets[2], offsets[3], 1, 1 };
        for (const std::uint32_t v : fixed)
            put32(fields, v);
        file = Emf(10, 10).raw(c.type, fields + info + pixel).bytes();
    }
    if (!c.expected.isValid()) {
        EXPECT_EQ(refusal(file), Problem::Damaged);
        return;
    }
    const QColor got = played(file).pixelColor(5, 5);
    EXPECT_EQ(got.alpha(), c.expected.alpha());
    EXPECT_NEAR(got.red(), c.expected.red(), 2);
}

INSTANTIATE_TEST_SUITE_P(Records, MetafileBitmapRecord,
    testing::Values(BitmapCase { "wmf16Bitfields", wmfStretchDib, 16, 3, "00f80000", Qt::red },
        BitmapCase { "wmf32Bitfields", wmfStretchDib, 32, 3, "0000ff00", Qt::red },
        // No colour count: the palette has all 2^bits entries and the pixels follow it.
        BitmapCase { "wmf1BitFullPalette", wmfStretchDib, 1, 0, "000000000000ff0080000000", Qt::red },
        BitmapCase { "wmf24BitfieldsIsDamaged", wmfStretchDib, 24, 3, "0000ff00", QColor() },
        BitmapCase { "noHeaderIsTheRopAlone", stretchDiBits, 0, 0, "", Qt::black },
        BitmapCase { "noPixelsDrawNothing", stretchDiBits, 24, 0, "", Qt::transparent },
        // 32-bit pixels are premultiplied: half-transparent full red.
        BitmapCase { "alpha32Rgb", alphaBlend, 32, 0, "00008080", QColor(255, 0, 0, 128) },
        BitmapCase { "alpha32Bitfields", alphaBlend, 32, 3, "00008080", QColor(255, 0, 0, 128) },
        BitmapCase { "alpha32RunLength", alphaBlend, 32, 1, "00008080", Qt::transparent },
        BitmapCase { "alpha24IsOpaque", alphaBlend, 24, 0, "0000ff00", Qt::red }),
    [](const testing::TestParamInfo<BitmapCase>& info) { return std::string(info.param.name); });

// A WMF DIBStretchBlt of exactly its fixed fields carries no bitmap: its raster operation alone
// (here BLACKNESS) paints the destination.
TEST(MetafilePlayer, aDibStretchBltWithoutBitmapIsItsRopAlone)
{
    const QByteArray file = Wmf(10, 10).record(0x0B41, { 0x0042, 0x0000, 0, 1, 1, 0, 0, 10, 10, 0, 0 }).bytes();
    EXPECT_EQ(played(file).pixelColor(5, 5), QColor(Qt::black));
}

TEST(MetafilePlayer, aPlainWmfWithoutWindowIsAsLargeAsItsDrawing)
{
    Wmf w(0, 0);
    pen(w, 5, 0, 0);
    select(w, 0);
    rectangle(w, 10, 20, 110, 70);
    const QImage image = played(w.bytes(false));
    EXPECT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(99, 49), QColor(Qt::white));
}

// Bounds ----------------------------------------------------------------------------------------

TEST(MetafilePlayer, stopsADrawingOverItsWorkBudget)
{
    // Each full-picture rectangle touches 100 x 100 pixels; the budget allows ten of them.
    MetafilePlayer::Bounds bounds;
    bounds.workPerPixel = 10;
    bounds.minWork = 0;
    for (const int rectangles : { 9, 11 }) {
        Emf e(100, 100);
        for (int i = 0; i < rectangles; ++i)
            e.record(rectangleRecord, { 0, 0, 100, 100 });
        EXPECT_EQ(refusal(e.bytes(), bounds), rectangles < 10 ? Problem::None : Problem::TooComplex)
            << rectangles << " rectangles";
    }
}

TEST(MetafilePlayer, refusesRenderBombsByTheirWork)
{
    // The attacks that once froze the program: a small WMF of 2,000 rectangles over the whole
    // picture, and an EMF of a million. Both stop at the default budget, long before the end.
    Wmf w(1000, 1000);
    for (int i = 0; i < 2000; ++i)
        rectangle(w, 0, 0, 1000, 1000);
    EXPECT_EQ(refusal(w.bytes()), Problem::TooComplex);
    Emf e(1000, 1000);
    for (int i = 0; i < 1'000'000; ++i)
        e.record(rectangleRecord, { 0, 0, 1000, 1000 });
    EXPECT_EQ(refusal(e.bytes()), Problem::TooComplex);
}

TEST(MetafilePlayer, stopsAtTheDeadline)
{
    MetafilePlayer::Bounds bounds;
    bounds.time = std::chrono::milliseconds(-1);
    Emf e(10, 10);
    e.record(rectangleRecord, { 0, 0, 10, 10 });
    EXPECT_EQ(refusal(e.bytes(), bounds), Problem::TimedOut);
}

TEST(MetafilePlayer, survivesHostileState)
{
    // Saves far deeper than any drawing needs, a transform that flattens everything, huge
    // coordinates and a polygon count beyond its record: drawn as far as sensible, no crash.
    Emf e(50, 50);
    for (int i = 0; i < 10000; ++i)
        e.record(33, {});
    e.raw(35, QByteArray(24, '\0'));
    e.record(rectangleRecord, { 0x80000000u, 0x80000000u, 0x7FFFFFFFu, 0x7FFFFFFFu });
    e.record(3, { 0, 0, 10, 10, 0x40000000u, 1, 1, 2, 2 });
    e.record(34, { 1 });
    e.record(rectangleRecord, { 10, 10, 40, 40 });
    const QImage image = played(e.bytes());
    EXPECT_EQ(image.pixelColor(25, 25), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(5, 5).alpha(), 0) << "the huge rectangle is dropped";
}

}
