// SPDX-License-Identifier: MIT
#pragma once

#include "export/EncoderHandles.h"
#include "import/AnimationDecoder.h"

#include <memory>

struct AVFormatContext;

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
    // An input is closed otherwise than the export's outputs; the other handles are the same.
    struct CloseInput {
        void operator()(AVFormatContext* format) const;
    };

    // The next decoded picture into m_decoded; false at the end of the stream.
    bool decodeNext();
    // m_decoded as a picture of its own.
    QImage convert();
    [[noreturn]] void fail(const std::string& cause) const;

    std::string m_path;
    std::unique_ptr<AVFormatContext, CloseInput> m_format;
    exporter::Handle<AVCodecContext> m_codec;
    exporter::Handle<AVFrame> m_decoded;
    exporter::Handle<AVPacket> m_packet;
    exporter::Handle<SwsContext> m_scaler;
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
