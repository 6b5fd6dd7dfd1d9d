// SPDX-License-Identifier: MIT
#pragma once

#include "export/FrameEncoder.h"

#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

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

    // Width and height must be even. Throws ExportError (Output).
    VideoEncoder(const std::string& path, int width, int height, Settings settings);
    ~VideoEncoder() override;

    void addFrame(const QImage& frame, std::int64_t duration) override;
    void finish() override;

    // The codec options both our encoder and the benchmark's ffmpeg command use.
    static const char* const h264Options;
    static const char* const vp9Options;

private:
    void encode(const AVFrame* frame);

    std::string m_path;
    Settings m_settings;
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVStream* m_stream = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    SwsContext* m_scaler = nullptr;
    bool m_headerWritten = false;
    // Where the animation frames so far end, in milliseconds, and how many video frames exist.
    std::int64_t m_endMs = 0;
    std::int64_t m_frames = 0;
};

}
