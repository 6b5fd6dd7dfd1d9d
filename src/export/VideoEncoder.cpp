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

std::unique_ptr<VideoEncoder> VideoEncoder::create(const std::string& path, int width, int height, Settings settings)
{
    std::unique_ptr<VideoEncoder> encoder(new VideoEncoder(path, settings));
    VideoEncoder& e = *encoder;
    const bool h264 = settings.codec == Codec::H264;
    // The container is named, not guessed: the file being written has a temporary name.
    const char* container = h264 ? "mp4" : "webm";
    AVFormatContext* format = nullptr;
    const int allocated = avformat_alloc_output_context2(&format, nullptr, container, path.c_str());
    e.m_format.reset(format);
    if (allocated < 0 || !format)
        e.fail(std::string("FFmpeg cannot write ") + container);
    const AVCodec* codec = avcodec_find_encoder_by_name(h264 ? "libx264" : "libvpx-vp9");
    if (!codec)
        codec = avcodec_find_encoder(h264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_VP9);
    if (!codec)
        e.fail(std::string("FFmpeg has no ") + (h264 ? "H.264" : "VP9") + " encoder");

    e.m_stream = avformat_new_stream(format, nullptr);
    e.m_codec.reset(avcodec_alloc_context3(codec));
    e.m_frame.reset(av_frame_alloc());
    e.m_packet.reset(av_packet_alloc());
    if (!e.m_stream || !e.m_codec || !e.m_frame || !e.m_packet)
        e.fail("not enough memory");

    std::int64_t num = settings.rateNumerator;
    std::int64_t den = settings.rateDenominator;
    const std::int64_t common = std::gcd(num, den);
    num /= common;
    den /= common;
    AVCodecContext* context = e.m_codec.get();
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational {static_cast<int>(den), static_cast<int>(num)};
    context->framerate = AVRational {static_cast<int>(num), static_cast<int>(den)};
    context->thread_count = 0;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    av_dict_parse_string(&options, h264 ? h264Options : vp9Options, "=", ":", 0);
    const int opened = avcodec_open2(context, codec, &options);
    av_dict_free(&options);
    if (opened < 0)
        e.fail("the video encoder refused: " + avError(opened));
    if (avcodec_parameters_from_context(e.m_stream->codecpar, context) < 0)
        e.fail("not enough memory");
    e.m_stream->time_base = context->time_base;
    e.m_stream->avg_frame_rate = context->framerate;

    e.m_frame->format = AV_PIX_FMT_YUV420P;
    e.m_frame->width = width;
    e.m_frame->height = height;
    if (av_frame_get_buffer(e.m_frame.get(), 0) < 0)
        e.fail("not enough memory");
    // QImage's RGB32 lies in memory as B, G, R, X on the little-endian machines we build for.
    e.m_scaler.reset(sws_getContext(
        width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!e.m_scaler)
        e.fail("FFmpeg cannot convert the colours");

    const int io = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (io < 0)
        e.fail(avError(io));
    AVDictionary* muxing = nullptr;
    // The index at the front, so that a browser can start playing before the whole file is in.
    if (h264)
        av_dict_set(&muxing, "movflags", "+faststart", 0);
    const int header = avformat_write_header(format, &muxing);
    av_dict_free(&muxing);
    if (header < 0)
        e.fail(avError(header));
    avio_flush(format->pb);
    e.checkOutput();
    return encoder;
}

VideoEncoder::VideoEncoder(std::string path, Settings settings)
    : m_path(std::move(path))
    , m_settings(settings)
{
}

VideoEncoder::~VideoEncoder() = default;

void VideoEncoder::fail(const std::string& cause) const
{
    throw ExportError(ExportError::Kind::Output, "cannot write " + m_path + ": " + cause);
}

void VideoEncoder::checkOutput() const
{
    // The output's buffer keeps the first failed write's error; a muxer may not pass it on, and
    // closing the output forgets it.
    if (m_format->pb && m_format->pb->error < 0)
        fail(avError(m_format->pb->error));
}

void VideoEncoder::encode(const AVFrame* frame)
{
    AVPacket* packet = m_packet.get();
    int result = avcodec_send_frame(m_codec.get(), frame);
    if (result < 0)
        fail(avError(result));
    while ((result = avcodec_receive_packet(m_codec.get(), packet)) >= 0) {
        // Every frame lasts one tick of the frame rate; the container needs it for the last one.
        if (packet->duration <= 0)
            packet->duration = 1;
        av_packet_rescale_ts(packet, m_codec->time_base, m_stream->time_base);
        packet->stream_index = m_stream->index;
        result = av_interleaved_write_frame(m_format.get(), packet);
        if (result < 0)
            fail(avError(result));
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
        fail(avError(result));
    checkOutput();
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
            if (av_frame_make_writable(m_frame.get()) < 0)
                fail("not enough memory");
            const uint8_t* source[] = {image.constBits()};
            const int stride[] = {static_cast<int>(image.bytesPerLine())};
            sws_scale(m_scaler.get(), source, stride, 0, image.height(), m_frame->data, m_frame->linesize);
            converted = true;
        }
        m_frame->pts = m_frames++;
        encode(m_frame.get());
    }
}

void VideoEncoder::finish()
{
    encode(nullptr);
    const int trailer = av_write_trailer(m_format.get());
    if (trailer < 0)
        fail(avError(trailer));
    avio_flush(m_format->pb);
    checkOutput();
    const int closed = avio_closep(&m_format->pb);
    if (closed < 0)
        fail(avError(closed));
}

}
