// SPDX-License-Identifier: MIT
#include "ExportTesting.h"
#include "Headless.h"

#include "export/ExportOptions.h"
#include "export/FrameSource.h"

#include <QImageReader>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

namespace {

using export_testing::aniText;
using export_testing::exportAnimation;
using testing_support::TempDir;

constexpr QRgb kBackground = 0xffefefef;

// A picture of one colour, where it stands in the frame.
struct Shown {
    QRgb colour;
    QSize size;
};

// Six frames at 45 ms: an empty frame first (the bare canvas, at full size), pictures of three
// sizes, a frame repeated right after itself and one repeated later. The canvas is 12 x 10, the
// largest width and the largest height.
class RoundTrip : public ::testing::Test {
protected:
    RoundTrip()
    {
        const std::string red = writePicture(dir, "red.png", 8, 6, 0xff0000);
        const std::string green = writePicture(dir, "green.bmp", 5, 10, 0x00ff00);
        const std::string blue = writePicture(dir, "blue.png", 12, 4, 0x0000ff);
        animation = dir.writeFile("walk.ani", aniText(6, "45", { "", green, red, blue, blue, red }));
    }

    const std::vector<std::optional<Shown>> frames { std::nullopt, Shown { 0xff00ff00, { 5, 10 } },
                                                     Shown { 0xffff0000, { 8, 6 } }, Shown { 0xff0000ff, { 12, 4 } },
                                                     Shown { 0xff0000ff, { 12, 4 } }, Shown { 0xffff0000, { 8, 6 } } };

    std::string exportTo(const std::string& output, std::vector<std::string> options = {})
    {
        options.insert(options.begin(), { animation, output });
        const export_testing::Run run = exportAnimation(options);
        EXPECT_EQ(run.status, 0) << run.err;
        return output;
    }

    // Every pixel of frame k: the picture's colour over its own size at the top left, the
    // background elsewhere.
    void expectFrame(const QImage& image, std::size_t k) const
    {
        SCOPED_TRACE("frame " + std::to_string(k + 1));
        ASSERT_EQ(image.size(), QSize(12, 10));
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y) {
            for (int x = 0; x < rgb.width(); ++x) {
                const bool inside = frames[k] && x < frames[k]->size.width() && y < frames[k]->size.height();
                ASSERT_EQ(rgb.pixel(x, y), inside ? frames[k]->colour : kBackground) << x << "," << y;
            }
        }
    }

    // Decodes an animated picture with Qt: every frame (the animation's frames `shown`, by index)
    // and its delay.
    void expectAnimation(const std::string& path, const std::vector<std::size_t>& shown,
                         const std::vector<int>& delays) const
    {
        QImageReader reader(QString::fromStdString(path));
        ASSERT_TRUE(reader.supportsAnimation()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.loopCount(), -1);
        std::vector<int> read;
        for (std::size_t k : shown) {
            const QImage image = reader.read();
            ASSERT_FALSE(image.isNull()) << "frame " << k + 1 << ": " << reader.errorString().toStdString();
            read.push_back(reader.nextImageDelay());
            expectFrame(image, k);
        }
        EXPECT_TRUE(reader.read().isNull()) << "more frames than the animation has";
        EXPECT_EQ(read, delays);
    }

    TempDir dir;
    std::string animation;
};

TEST_F(RoundTrip, GifFramesAndDelaysInTenMillisecondStepsThatAddUpExactly)
{
    // 45 ms a frame: frames end at 45, 90, 135, ... ms, i.e. at 4.5, 9, 13.5, ... steps of 10 ms.
    expectAnimation(exportTo(dir.str() + "/walk.gif"), { 0, 1, 2, 3, 4, 5 }, { 50, 40, 50, 40, 50, 40 });
}

TEST_F(RoundTrip, GifFramesUnderTwoStepsAreMergedIntoTheFrameBeforeKeepingTheTotal)
{
    // Browsers play a delay of 0 or 1 step as 10 steps: each frame written lasts at least 2
    // steps (20 ms), by keeping the frame before on screen; the last frame, if it would be too
    // short, goes the same way. Only an animation shorter than 20 ms lasts longer than it should.
    struct Case {
        std::string rate;
        int frames;
        std::vector<int> delays;
    };
    const std::string red = writePicture(dir, "r.png", 4, 4, 0xff0000);
    const std::string blue = writePicture(dir, "b.png", 4, 4, 0x0000ff);
    for (const Case& c : { Case { "7", 10, { 20, 20, 30 } }, Case { "15", 4, { 20, 40 } }, Case { "1", 10, { 20 } },
                           Case { "20", 3, { 20, 20, 20 } }, Case { "12", 5, { 20, 20, 20 } } }) {
        SCOPED_TRACE("rate " + c.rate);
        std::vector<std::string> paths;
        for (int i = 0; i < c.frames; ++i)
            paths.push_back(i % 2 ? blue : red);
        const std::string ani = dir.writeFile("fast.ani", aniText(c.frames, c.rate, paths));
        const std::string output = dir.str() + "/fast.gif";
        ASSERT_EQ(exportAnimation({ ani, output, "-q" }).status, 0);
        QImageReader reader(QString::fromStdString(output));
        std::vector<int> delays;
        while (!reader.read().isNull())
            delays.push_back(reader.nextImageDelay());
        EXPECT_EQ(delays, c.delays);
    }
}

TEST_F(RoundTrip, WebpIsLosslessWithTheRateAsEveryDuration)
{
    // libwebp's animation encoder stores a frame equal to the one before it as one frame lasting
    // both durations; what is on screen, and when, stays the same.
    expectAnimation(exportTo(dir.str() + "/walk.webp"), { 0, 1, 2, 3, 5 }, { 45, 45, 45, 90, 45 });
}

TEST_F(RoundTrip, LossyWebpKeepsFramesAndDurations)
{
    const std::string output = exportTo(dir.str() + "/lossy.webp", { "--quality", "80" });
    QImageReader reader(QString::fromStdString(output));
    std::vector<int> delays;
    for (QImage image = reader.read(); !image.isNull(); image = reader.read()) {
        EXPECT_EQ(image.size(), QSize(12, 10));
        delays.push_back(reader.nextImageDelay());
    }
    EXPECT_EQ(delays, (std::vector<int> { 45, 45, 45, 90, 45 }));
    EXPECT_LT(std::filesystem::file_size(output), std::filesystem::file_size(exportTo(dir.str() + "/lossless.webp")) * 4);
}

TEST_F(RoundTrip, PictureSequencesIntoADirectoryOrThroughAPatternReplaceTheWholeSequence)
{
    // A longer export was here before: its frames beyond the sixth go; other files stay.
    std::filesystem::create_directories(dir.path() / "frames");
    for (const char* older : { "frames/frame0007.png", "frames/frame0012.png", "frames/frame00013.png",
                               "seq-007.png", "seq-1000.png", "2x-009.png" })
        dir.writeFile(older, "older");
    const std::vector<std::string> others { dir.writeFile("frames/notes.txt", "mine"),
                                            dir.writeFile("frames/frame0000.png", "mine"),
                                            dir.writeFile("frames/frame1.png", "mine"),
                                            dir.writeFile("seq-7.png", "mine"), dir.writeFile("seq-07.png", "mine") };
    exportTo(dir.str() + "/frames/");
    exportTo(dir.str() + "/seq-%03d.png");
    exportTo(dir.str() + "/2x-%03d.png");
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const std::string number = std::to_string(k + 1);
        expectFrame(QImage(QString::fromStdString(dir.str() + "/frames/frame000" + number + ".png")), k);
        expectFrame(QImage(QString::fromStdString(dir.str() + "/seq-00" + number + ".png")), k);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.str() + "/frames"),
                            std::filesystem::directory_iterator()), 6 + 3);
    for (const char* gone : { "/seq-007.png", "/seq-000.png", "/seq-1000.png", "/2x-009.png" })
        EXPECT_FALSE(std::filesystem::exists(dir.str() + gone)) << gone;
    for (const std::string& other : others)
        EXPECT_TRUE(std::filesystem::exists(other)) << other;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".movelle-export")) << entry.path();
}

// Memory does not grow with the animation: with one frame handed out, the worker composes three
// ahead into the queue and holds a fourth until there is room, and no more.
TEST_F(RoundTrip, FramesAreComposedAheadThreeInTheQueueAndOneInHand)
{
    std::vector<std::string> paths;
    for (int k = 0; k < 8; ++k)
        paths.push_back(writePicture(dir, "p" + std::to_string(k) + ".png", 4, 4, 0x101010u * static_cast<unsigned>(k)));
    exporter::ExportOptions options;
    options.animation = dir.writeFile("eight.ani", aniText(8, "40", paths));
    const std::atomic<bool> stop = false;
    exporter::FrameSource source(options, stop, false);
    exporter::Frame first;
    ASSERT_TRUE(source.next(first));
    exporter::FrameSource::Ahead ahead;
    for (int polls = 0; polls < 6000; ++polls) {
        ahead = source.ahead();
        if (ahead.waitingForRoom && ahead.queued >= 3)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(ahead.waitingForRoom) << "the worker never waited for room";
    EXPECT_EQ(ahead.queued, 3u);
    EXPECT_EQ(ahead.composed, 1 + 3 + 1);
}

TEST_F(RoundTrip, GifOfManyColoursDecodesToTheSamePixels)
{
    // 200 colours in noise: the palette holds them all, and the compressed data runs through
    // many restarts of the code table.
    QImage noise(150, 120, QImage::Format_RGB32);
    std::mt19937 random(7);
    std::vector<QRgb> colours;
    for (int i = 0; i < 200; ++i)
        colours.push_back(qRgb(static_cast<int>(random() % 256), static_cast<int>(random() % 256), i));
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, colours[random() % colours.size()]);
    }
    const std::string picture = dir.str() + "/noise.png";
    ASSERT_TRUE(noise.save(QString::fromStdString(picture)));
    const std::string ani = dir.writeFile("noise.ani", aniText(1, "100", { picture }));
    ASSERT_EQ(exportAnimation({ ani, dir.str() + "/noise.gif" }).status, 0);
    const QImage decoded = QImage(QString::fromStdString(dir.str() + "/noise.gif")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(decoded.size(), noise.size());
    int wrong = 0;
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x)
            wrong += decoded.pixel(x, y) != noise.pixel(x, y);
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(RoundTrip, ScaleSizeAndBackgroundShapeTheCanvas)
{
    const std::string scaled = exportTo(dir.str() + "/scaled/", { "--scale", "2", "--background", "#102030" });
    const QImage red(QString::fromStdString(scaled + "frame0003.png"));
    ASSERT_EQ(red.size(), QSize(24, 20));
    EXPECT_EQ(red.pixel(15, 11), 0xffff0000u);
    EXPECT_EQ(red.pixel(16, 11), 0xff102030u);
    EXPECT_EQ(red.pixel(15, 12), 0xff102030u);

    // A 12 x 10 canvas fitted into 48 x 20 is scaled by 2 and centred: 12 pixels on each side.
    const std::string sized = exportTo(dir.str() + "/sized/", { "--size", "48x20" });
    const QImage blue(QString::fromStdString(sized + "frame0004.png"));
    ASSERT_EQ(blue.size(), QSize(48, 20));
    EXPECT_EQ(blue.pixel(11, 0), kBackground);
    EXPECT_EQ(blue.pixel(12, 0), 0xff0000ffu);
    EXPECT_EQ(blue.pixel(35, 7), 0xff0000ffu);
    EXPECT_EQ(blue.pixel(36, 7), kBackground);
    EXPECT_EQ(blue.pixel(35, 8), kBackground);
}

// Videos are lossy: colours are compared at the middle of each area, within a tolerance.
void expectColour(const QImage& image, QPoint at, QRgb expected)
{
    const QRgb got = image.pixel(at);
    EXPECT_NEAR(qRed(got), qRed(expected), 12) << at.x() << "," << at.y();
    EXPECT_NEAR(qGreen(got), qGreen(expected), 12) << at.x() << "," << at.y();
    EXPECT_NEAR(qBlue(got), qBlue(expected), 12) << at.x() << "," << at.y();
}

class VideoRoundTrip : public ::testing::TestWithParam<const char*> {
protected:
    TempDir dir;
};

TEST_P(VideoRoundTrip, OneVideoFrameForEachFrameAtTheRate)
{
    const std::string red = writePicture(dir, "red.png", 64, 48, 0xff0000);
    const std::string green = writePicture(dir, "green.png", 32, 64, 0x00ff00);
    const std::string blue = writePicture(dir, "blue.png", 95, 31, 0x0000ff);
    const std::string ani = dir.writeFile("v.ani", aniText(4, "40", { red, "", green, blue }));
    const std::string output = dir.str() + "/v." + GetParam();
    const export_testing::Run run = exportAnimation({ ani, output });
    ASSERT_EQ(run.status, 0) << run.err;

    const export_testing::Video video = export_testing::decodeVideo(output);
    ASSERT_EQ(video.error, "");
    EXPECT_EQ(video.codec, std::string(GetParam()) == "mp4" ? "h264" : "vp9");
    ASSERT_EQ(video.frames.size(), 4u);
    EXPECT_NEAR(video.durationMs, 160, 1);
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE("frame " + std::to_string(k + 1));
        // 95 x 64 rounded up to even sizes for 4:2:0 colour.
        ASSERT_EQ(video.frames[k].image.size(), QSize(96, 64));
        EXPECT_NEAR(video.frames[k].startMs - video.frames[0].startMs, 40.0 * static_cast<double>(k), 0.5);
    }
    const QRgb background = exporter::FrameSource::defaultBackground;
    expectColour(video.frames[0].image, { 32, 24 }, qRgb(255, 0, 0));
    expectColour(video.frames[0].image, { 80, 56 }, background);
    expectColour(video.frames[1].image, { 32, 24 }, background);
    expectColour(video.frames[2].image, { 16, 32 }, qRgb(0, 255, 0));
    expectColour(video.frames[2].image, { 48, 24 }, background);
    expectColour(video.frames[3].image, { 48, 16 }, qRgb(0, 0, 255));
    expectColour(video.frames[3].image, { 48, 48 }, background);
}

TEST_P(VideoRoundTrip, AnotherFrameRateShowsTheFrameOnScreenAtEachVideoFrame)
{
    const std::string red = writePicture(dir, "red.png", 32, 32, 0xff0000);
    const std::string green = writePicture(dir, "green.png", 32, 32, 0x00ff00);
    const std::string blue = writePicture(dir, "blue.png", 32, 32, 0x0000ff);
    const std::string ani = dir.writeFile("v.ani", aniText(3, "100", { red, green, blue }));
    const std::string output = dir.str() + "/v." + GetParam();
    ASSERT_EQ(exportAnimation({ ani, output, "--fps", "25" }).status, 0);

    // Video frames start every 40 ms: 0, 40, 80 show red; 120, 160 green; 200, 240, 280 blue.
    const export_testing::Video video = export_testing::decodeVideo(output);
    const std::vector<QRgb> expected { qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0),
                                       qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 0, 255), qRgb(0, 0, 255) };
    ASSERT_EQ(video.frames.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        SCOPED_TRACE("video frame " + std::to_string(k));
        expectColour(video.frames[k].image, { 16, 16 }, expected[k]);
        EXPECT_NEAR(video.frames[k].startMs - video.frames[0].startMs, 40.0 * static_cast<double>(k), 0.5);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, VideoRoundTrip, ::testing::Values("mp4", "webm"));

}
