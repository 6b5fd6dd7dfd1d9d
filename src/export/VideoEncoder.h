// SPDX-License-Identifier: MIT
#pragma once

#include "export/EncoderHandles.h"
#include "export/FrameEncoder.h"

#include <cstdint>
#include <memory>
#include <string>

struct AVStream;

namespace exporter {

// A video at a constant frame rate through FFmpeg's libraries: H.264 in MP4 or VP9 in WebM, in
// 4:2:0 colour. Each output frame at time t shows the animation frame that is on screen at t, so a
// frame rate other than the animation's own repeats or drops frames but keeps the duration.
class VideoEncoder final : public FrameEncoder {
public:
    enum class Codec { H264, Vp9 };

    // The frame rate as a fraction: frames per second = rateNumerator / rateDenominator.
    struct Settings {
        Codec codec = Codec::H264;
        std::int64_t rateNumerator = 25;
        std::int64_t rateDenominator = 1;
    };

    // Width and height must be even. Opens the codec and `path` and writes the header. Throws
    // ExportError (Output), having freed whatever it made.
    static std::unique_ptr<VideoEncoder> create(const std::string& path, int width, int height, Settings settings);
    ~VideoEncoder() override;
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    void addFrame(const QImage& frame, std::int64_t duration) override;
    void finish() override;

    // The codec options both our encoder and the benchmark's ffmpeg command use.
    static const char* const h264Options;
    static const char* const vp9Options;

private:
    VideoEncoder(std::string path, Settings settings);
    void encode(const AVFrame* frame);
    [[noreturn]] void fail(const std::string& cause) const;
    // Throws when the output has failed a write that the muxer did not report.
    void checkOutput() const;

    std::string m_path;
    Settings m_settings;
    Handle<AVFormatContext> m_format;
    Handle<AVCodecContext> m_codec;
    // Owned by m_format.
    AVStream* m_stream = nullptr;
    Handle<AVFrame> m_frame;
    Handle<AVPacket> m_packet;
    Handle<SwsContext> m_scaler;
    // Where the animation frames so far end, in milliseconds, and how many video frames exist.
    std::int64_t m_endMs = 0;
    std::int64_t m_frames = 0;
};

}
