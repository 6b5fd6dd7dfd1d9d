// SPDX-License-Identifier: MIT
#pragma once

#include "import/AnimationDecoder.h"

#include <memory>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace importer {

// A video or an animated GIF through FFmpeg's libraries. FFmpeg's GIF decoder composes each frame
// onto the previous one as the file's disposal says, so every frame comes out whole.
class VideoDecoder final : public AnimationDecoder {
public:
    // Throws ExportError (BadInput) naming the file when FFmpeg cannot open or decode it.
    VideoDecoder(const std::string& path, const std::atomic<bool>& stop);
    ~VideoDecoder() override;
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    bool next(DecodedFrame& frame) override;
    int expectedFrames() const override { return m_expectedFrames; }

private:
    struct Free {
        void operator()(AVFormatContext* format) const;
        void operator()(AVCodecContext* codec) const;
        void operator()(AVFrame* frame) const;
        void operator()(AVPacket* packet) const;
        void operator()(SwsContext* scaler) const;
    };

    // The next decoded picture into m_decoded; false at the end of the stream.
    bool decodeNext();
    // m_decoded as a picture of its own.
    QImage convert();
    [[noreturn]] void fail(const std::string& cause) const;

    std::string m_path;
    std::unique_ptr<AVFormatContext, Free> m_format;
    std::unique_ptr<AVCodecContext, Free> m_codec;
    std::unique_ptr<AVFrame, Free> m_decoded;
    std::unique_ptr<AVPacket, Free> m_packet;
    std::unique_ptr<SwsContext, Free> m_scaler;
    int m_stream = -1;
    double m_timeBaseMs = 0;
    int m_expectedFrames = 0;
    int m_frame = 0;
    bool m_draining = false;
    bool m_ended = false;
    // A frame is handed out once the next one's start tells how long it lasts.
    bool m_havePending = false;
    DecodedFrame m_pending;
    std::int64_t m_pendingStart = 0;
    std::int64_t m_pendingDuration = 0;
};

}
