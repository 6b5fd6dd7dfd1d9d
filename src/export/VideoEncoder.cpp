// SPDX-License-Identifier: MIT
#include "export/VideoEncoder.h"

#include "export/ExportError.h"

#include <QImage>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <numeric>

namespace exporter {

// Medium effort and the libraries' own default qualities: what people get from ffmpeg. x264
// looks 20 frames ahead instead of 40: at full HD each frame it holds costs over 10 MB, and half
// the look-ahead keeps a long export well inside 500 MB for a small loss in compression.
const char* const VideoEncoder::h264Options = "preset=medium:crf=23:rc-lookahead=20";
const char* const VideoEncoder::vp9Options = "crf=31:b=0:deadline=good:cpu-used=4:row-mt=1";

namespace {

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}

VideoEncoder::VideoEncoder(const std::string& path, int width, int height, Settings settings)
    : m_path(path)
    , m_settings(settings)
{
    auto fail = [this](const std::string& cause) {
        return ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": " + cause);
    };
    const bool h264 = settings.codec == Codec::H264;
    // The container is named, not guessed: the file being written has a temporary name.
    const char* container = h264 ? "mp4" : "webm";
    if (avformat_alloc_output_context2(&m_format, nullptr, container, path.c_str()) < 0 || !m_format)
        throw fail(std::string("FFmpeg cannot write ") + container);
    const AVCodec* codec = avcodec_find_encoder_by_name(h264 ? "libx264" : "libvpx-vp9");
    if (!codec)
        codec = avcodec_find_encoder(h264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_VP9);
    if (!codec)
        throw fail(std::string("FFmpeg has no ") + (h264 ? "H.264" : "VP9") + " encoder");

    m_stream = avformat_new_stream(m_format, nullptr);
    m_codec = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_stream || !m_codec || !m_frame || !m_packet)
        throw fail("not enough memory");

    std::int64_t num = settings.rateNumerator;
    std::int64_t den = settings.rateDenominator;
    const std::int64_t common = std::gcd(num, den);
    num /= common;
    den /= common;
    m_codec->width = width;
    m_codec->height = height;
    m_codec->pix_fmt = AV_PIX_FMT_YUV420P;
    m_codec->time_base = AVRational { static_cast<int>(den), static_cast<int>(num) };
    m_codec->framerate = AVRational { static_cast<int>(num), static_cast<int>(den) };
    m_codec->thread_count = 0;
    if (m_format->oformat->flags & AVFMT_GLOBALHEADER)
        m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    av_dict_parse_string(&options, h264 ? h264Options : vp9Options, "=", ":", 0);
    const int opened = avcodec_open2(m_codec, codec, &options);
    av_dict_free(&options);
    if (opened < 0)
        throw fail("the video encoder refused: " + avError(opened));
    if (avcodec_parameters_from_context(m_stream->codecpar, m_codec) < 0)
        throw fail("not enough memory");
    m_stream->time_base = m_codec->time_base;
    m_stream->avg_frame_rate = m_codec->framerate;

    m_frame->format = AV_PIX_FMT_YUV420P;
    m_frame->width = width;
    m_frame->height = height;
    if (av_frame_get_buffer(m_frame, 0) < 0)
        throw fail("not enough memory");
    // QImage's RGB32 lies in memory as B, G, R, X on the little-endian machines we build for.
    m_scaler = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P, SWS_BICUBIC,
                              nullptr, nullptr, nullptr);
    if (!m_scaler)
        throw fail("FFmpeg cannot convert the colours");

    const int io = avio_open(&m_format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (io < 0)
        throw fail(avError(io));
    AVDictionary* muxing = nullptr;
    // The index at the front, so that a browser can start playing before the whole file is in.
    if (h264)
        av_dict_set(&muxing, "movflags", "+faststart", 0);
    const int header = avformat_write_header(m_format, &muxing);
    av_dict_free(&muxing);
    if (header < 0)
        throw fail(avError(header));
    m_headerWritten = true;
}

VideoEncoder::~VideoEncoder()
{
    sws_freeContext(m_scaler);
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_codec);
    if (m_format) {
        if (m_format->pb)
            avio_closep(&m_format->pb);
        avformat_free_context(m_format);
    }
}

void VideoEncoder::encode(const AVFrame* frame)
{
    int result = avcodec_send_frame(m_codec, frame);
    if (result < 0)
        throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": " + avError(result));
    while ((result = avcodec_receive_packet(m_codec, m_packet)) >= 0) {
        // Every frame lasts one tick of the frame rate; the container needs it for the last one.
        if (m_packet->duration <= 0)
            m_packet->duration = 1;
        av_packet_rescale_ts(m_packet, m_codec->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        result = av_interleaved_write_frame(m_format, m_packet);
        if (result < 0)
            throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": " + avError(result));
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
        throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": " + avError(result));
}

void VideoEncoder::addFrame(const QImage& image, std::int64_t duration)
{
    m_endMs += duration;
    // Video frame k starts at k * den / num seconds; every one that starts before this animation
    // frame ends shows it.
    const std::int64_t num = m_settings.rateNumerator;
    const std::int64_t den = m_settings.rateDenominator;
    bool converted = false;
    while (m_frames * den * 1000 < m_endMs * num) {
        if (!converted) {
            if (av_frame_make_writable(m_frame) < 0)
                throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": not enough memory");
            const uint8_t* source[] = { image.constBits() };
            const int stride[] = { static_cast<int>(image.bytesPerLine()) };
            sws_scale(m_scaler, source, stride, 0, image.height(), m_frame->data, m_frame->linesize);
            converted = true;
        }
        m_frame->pts = m_frames++;
        encode(m_frame);
    }
}

void VideoEncoder::finish()
{
    encode(nullptr);
    const int trailer = av_write_trailer(m_format);
    if (trailer < 0)
        throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": " + avError(trailer));
    const int closed = avio_closep(&m_format->pb);
    if (closed < 0)
        throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": " + avError(closed));
}

}
