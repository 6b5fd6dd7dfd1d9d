// SPDX-License-Identifier: MIT
// Each encoder made where it must fail part of the way, after some of its handles exist. The
// sanitizer pass runs these under the leak checker: whatever was made before the failure is freed.
#include "Headless.h"

#include "export/ExportError.h"
#include "export/GifEncoder.h"
#include "export/PngSequenceEncoder.h"
#include "export/VideoEncoder.h"
#include "export/WebpEncoder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

namespace {

using exporter::ExportError;
using exporter::FrameEncoder;
using testing_support::TempDir;

struct Refusal {
    const char* name;
    // Makes the encoder for `directory`; expected to throw.
    std::function<std::unique_ptr<FrameEncoder>(const std::string& directory)> make;
    // What the message says besides the output's name.
    const char* cause;
    // The output the message names, below `directory` ("" for /dev/full).
    const char* output;
};

void PrintTo(const Refusal& refusal, std::ostream* out)
{
    *out << refusal.name;
}

class EncoderRefusal : public ::testing::TestWithParam<Refusal> { };

TEST_P(EncoderRefusal, FailsNamingTheOutputAndTheCauseAndFreesWhatItMade)
{
    const TempDir dir;
    const Refusal& r = GetParam();
    try {
        r.make(dir.str());
        FAIL() << "the encoder was made";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.kind(), ExportError::Kind::Output);
        const std::string message = e.what();
        const std::string output = *r.output ? dir.str() + r.output : std::string("/dev/full");
        EXPECT_NE(message.find("cannot write " + output), std::string::npos) << message;
        EXPECT_NE(message.find(r.cause), std::string::npos) << message;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

using exporter::GifEncoder;
using exporter::VideoEncoder;
using exporter::WebpEncoder;

VideoEncoder::Settings video(VideoEncoder::Codec codec)
{
    VideoEncoder::Settings settings;
    settings.codec = codec;
    return settings;
}

INSTANTIATE_TEST_SUITE_P(HalfWay, EncoderRefusal,
    ::testing::Values(
        // The file and the quantiser exist when the header cannot be written.
        Refusal {"GifHeaderOnFullDevice",
            [](const std::string&) { return GifEncoder::create("/dev/full", 16, 16, {}); }, "No space left on device",
            ""},
        Refusal {"GifQualityRefused",
            [](const std::string& d) {
                return GifEncoder::create(d + "/q.gif", 16, 16, {101, false, 0});
            },
            "quality 101", "/q.gif"},
        // The animation encoder and its settings exist when the file cannot be opened.
        Refusal {"WebpFolderMissing",
            [](const std::string& d) { return WebpEncoder::create(d + "/none/o.webp", 16, 16, std::nullopt); },
            "No such file or directory", "/none/o.webp"},
        Refusal {"WebpSettingsRefused",
            [](const std::string& d) { return WebpEncoder::create(d + "/o.webp", 16, 16, 1000); },
            "refused its settings", "/o.webp"},
        // The container, codec context, frame and packet exist when the codec refuses a size,
        // and the codec is open as well when the file cannot be opened. (FFmpeg refuses a zero
        // size itself; x264's own refusal of an odd one leaks inside libx264.)
        Refusal {"Mp4SizeRefused",
            [](const std::string& d) {
                return VideoEncoder::create(d + "/o.mp4", 0, 16, video(VideoEncoder::Codec::H264));
            },
            "the video encoder refused", "/o.mp4"},
        Refusal {"WebmSizeRefused",
            [](const std::string& d) {
                return VideoEncoder::create(d + "/o.webm", 0, 16, video(VideoEncoder::Codec::Vp9));
            },
            "the video encoder refused", "/o.webm"},
        Refusal {"Mp4FolderMissing",
            [](const std::string& d) {
                return VideoEncoder::create(d + "/none/o.mp4", 16, 16, video(VideoEncoder::Codec::H264));
            },
            "No such file or directory", "/none/o.mp4"},
        Refusal {"WebmFolderMissing",
            [](const std::string& d) {
                return VideoEncoder::create(d + "/none/o.webm", 16, 16, video(VideoEncoder::Codec::Vp9));
            },
            "No such file or directory", "/none/o.webm"},
        Refusal {"Mp4HeaderOnFullDevice",
            [](const std::string&) {
                return VideoEncoder::create("/dev/full", 16, 16, video(VideoEncoder::Codec::H264));
            },
            "No space left on device", ""}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

// A PNG frame reads back as the frame's own colours, whichever layout it comes in (a video's
// frames come as RGB888, composed frames as RGB32) and however it is compressed.
class PngFrame : public ::testing::TestWithParam<std::tuple<QImage::Format, exporter::PngSequenceEncoder::Compression>> { };

TEST_P(PngFrame, ReadsBackAsTheFramesColours)
{
    const auto [format, compression] = GetParam();
    QImage frame(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(x * 7, y * 11, (x * y * 13) & 0xff));
    }
    const QByteArray bytes = exporter::PngSequenceEncoder::encode(frame.convertToFormat(format), compression);
    const QImage back = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(back, frame);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PngFrame,
    ::testing::Combine(::testing::Values(QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_ARGB32),
                       ::testing::Values(exporter::PngSequenceEncoder::Compression::PaethRle,
                                         exporter::PngSequenceEncoder::Compression::UpLevel2)),
    [](const ::testing::TestParamInfo<PngFrame::ParamType>& info) {
        const QImage::Format format = std::get<0>(info.param);
        const std::string layout = format == QImage::Format_RGB888 ? "Rgb888"
            : format == QImage::Format_RGB32                        ? "Rgb32"
                                                                    : "Argb32";
        return layout
            + (std::get<1>(info.param) == exporter::PngSequenceEncoder::Compression::PaethRle ? "PaethRle" : "UpLevel2");
    });

// One encoding thread keeps two frames in flight: once the third is handed over, the first is on
// disk. (Noise, so that compressing a frame takes far longer than handing one over.)
TEST(PngSequenceEncoder, OneThreadHoldsTwoFramesInFlight)
{
    const TempDir dir;
    const auto encoder = exporter::PngSequenceEncoder::create(dir.str(), "f%d.png", 1);
    QImage noise(512, 512, QImage::Format_RGB32);
    std::uint32_t seed = 1;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
    for (int k = 0; k < 3; ++k)
        encoder->addFrame(noise, 100);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "f1.png"));
    encoder->finish();
}

}
