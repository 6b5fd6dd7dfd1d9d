// SPDX-License-Identifier: MIT
#include "import/VideoDecoder.h"

#include "export/ExportError.h"
#include "pictures/Limits.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>

namespace importer {

using exporter::ExportError;

namespace {

std::string errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] {};
    av_strerror(code, text, sizeof text);
    return text;
}

int interruptWhenStopped(void* stop)
{
    return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0;
}

bool hasAlpha(int format)
{
    const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(AVPixelFormat(format));
    return description
        && (description->flags & AV_PIX_FMT_FLAG_ALPHA || description->flags & AV_PIX_FMT_FLAG_PAL);
}

}

void VideoDecoder::CloseInput::operator()(AVFormatContext* format) const
{
    avformat_close_input(&format);
}

VideoDecoder::VideoDecoder(const std::string& path, const std::atomic<bool>& stop)
    : m_path(path)
{
    AVFormatContext* format = avformat_alloc_context();
    if (!format)
        throw std::bad_alloc();
    // Reading can block (a slow disk, a network file system); Ctrl-C must still end it.
    format->interrupt_callback.callback = interruptWhenStopped;
    format->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(&stop);
    // avformat_open_input frees the context itself when it fails.
    if (const int result = avformat_open_input(&format, path.c_str(), nullptr, nullptr); result < 0)
        fail(errorText(result));
    m_format.reset(format);
    if (const int result = avformat_find_stream_info(m_format.get(), nullptr); result < 0)
        fail(errorText(result));
    const AVCodec* decoder = nullptr;
    m_stream = av_find_best_stream(m_format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (m_stream < 0 || !decoder)
        fail("it holds no pictures Movelle can decode");
    const AVStream* stream = m_format->streams[m_stream];
    m_timeBaseMs = 1000.0 * av_q2d(stream->time_base);
    m_expectedFrames = stream->nb_frames > 0 && stream->nb_frames < INT32_MAX ? int(stream->nb_frames) : 0;

    m_codec.reset(avcodec_alloc_context3(decoder));
    if (!m_codec)
        throw std::bad_alloc();
    if (const int result = avcodec_parameters_to_context(m_codec.get(), stream->codecpar); result < 0)
        fail(errorText(result));
    m_codec->thread_count = 0;
    if (const int result = avcodec_open2(m_codec.get(), decoder, nullptr); result < 0)
        fail(errorText(result));
    if (!pictures::Limits {}.allows(m_codec->width, m_codec->height)) {
        fail("its frames are too large (" + std::to_string(m_codec->width) + " x " + std::to_string(m_codec->height)
             + ")");
    }
    m_decoded.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_decoded || !m_packet)
        throw std::bad_alloc();
}

VideoDecoder::~VideoDecoder() = default;

void VideoDecoder::fail(const std::string& cause) const
{
    const std::string frame = m_frame > 0 ? "frame " + std::to_string(m_frame) + " of " : std::string();
    throw ExportError(ExportError::Kind::BadInput, "cannot read " + frame + m_path + ": " + cause);
}

bool VideoDecoder::decodeNext()
{
    while (!m_ended) {
        const int received = avcodec_receive_frame(m_codec.get(), m_decoded.get());
        if (received == 0)
            return true;
        if (received == AVERROR_EOF) {
            m_ended = true;
            break;
        }
        if (received != AVERROR(EAGAIN))
            fail(errorText(received));
        if (m_draining) {
            m_ended = true;
            break;
        }
        const int read = av_read_frame(m_format.get(), m_packet.get());
        if (read == AVERROR_EOF) {
            m_draining = true;
            avcodec_send_packet(m_codec.get(), nullptr);
            continue;
        }
        if (read < 0)
            fail(errorText(read));
        if (m_packet->stream_index == m_stream) {
            const int sent = avcodec_send_packet(m_codec.get(), m_packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN))
                fail(errorText(sent));
        }
        av_packet_unref(m_packet.get());
    }
    return false;
}

QImage VideoDecoder::convert()
{
    const int width = m_decoded->width;
    const int height = m_decoded->height;
    if (!pictures::Limits {}.allows(width, height))
        fail("its frames are too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
    const bool alpha = hasAlpha(m_decoded->format);
    // FFmpeg's native-endian RGB32 is QImage's ARGB32 layout. Opaque frames come out as the
    // R, G, B bytes a PNG row holds, so the writer compresses them as they lie (no reordering,
    // no fourth byte to strip) and each frame takes a quarter less memory.
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    if (image.isNull())
        throw std::bad_alloc();
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), width, height, AVPixelFormat(m_decoded->format), width,
                                        height, alpha ? AV_PIX_FMT_RGB32 : AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr,
                                        nullptr, nullptr));
    if (!m_scaler)
        fail("its picture format cannot be converted");
    std::uint8_t* planes[4] = { image.bits(), nullptr, nullptr, nullptr };
    int strides[4] = { int(image.bytesPerLine()), 0, 0, 0 };
    sws_scale(m_scaler.get(), m_decoded->data, m_decoded->linesize, 0, height, planes, strides);
    return image;
}

bool VideoDecoder::next(DecodedFrame& frame)
{
    while (true) {
        if (!decodeNext()) {
            if (!m_havePending)
                return false;
            m_pending.durationMs = int(std::lround(double(m_pendingDuration) * m_timeBaseMs));
            frame = std::move(m_pending);
            m_havePending = false;
            return true;
        }
        ++m_frame;
        const std::int64_t start = m_decoded->best_effort_timestamp;
        DecodedFrame decoded { convert(), 0 };
        const std::int64_t ownDuration = m_decoded->pkt_duration;
        av_frame_unref(m_decoded.get());
        if (!m_havePending) {
            m_pending = std::move(decoded);
            m_pendingStart = start;
            m_pendingDuration = ownDuration;
            m_havePending = true;
            continue;
        }
        // The time between two starts is what a player shows a frame for; a stream without
        // timestamps keeps each frame's own duration.
        const bool timed = start != AV_NOPTS_VALUE && m_pendingStart != AV_NOPTS_VALUE && start > m_pendingStart;
        const std::int64_t gap = timed ? start - m_pendingStart : m_pendingDuration;
        m_pending.durationMs = int(std::lround(double(gap) * m_timeBaseMs));
        frame = std::move(m_pending);
        m_pending = std::move(decoded);
        m_pendingStart = start;
        // The last frame has no successor: it lasts as long as its own packet, or as the one before.
        m_pendingDuration = ownDuration > 0 ? ownDuration : gap;
        return true;
    }
}

}
