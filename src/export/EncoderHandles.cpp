// SPDX-License-Identifier: MIT
#include "export/EncoderHandles.h"

#include <libimagequant.h>
#include <webp/mux.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace exporter {

void HandleDeleter::operator()(std::FILE* file) const
{
    std::fclose(file);
}

void HandleDeleter::operator()(liq_attr* attr) const
{
    liq_attr_destroy(attr);
}

void HandleDeleter::operator()(liq_image* image) const
{
    liq_image_destroy(image);
}

void HandleDeleter::operator()(liq_result* result) const
{
    liq_result_destroy(result);
}

void HandleDeleter::operator()(WebPAnimEncoder* encoder) const
{
    WebPAnimEncoderDelete(encoder);
}

void HandleDeleter::operator()(AVFormatContext* format) const
{
    if (format->pb && !(format->oformat->flags & AVFMT_NOFILE))
        avio_closep(&format->pb);
    avformat_free_context(format);
}

void HandleDeleter::operator()(AVCodecContext* codec) const
{
    avcodec_free_context(&codec);
}

void HandleDeleter::operator()(AVFrame* frame) const
{
    av_frame_free(&frame);
}

void HandleDeleter::operator()(AVPacket* packet) const
{
    av_packet_free(&packet);
}

void HandleDeleter::operator()(SwsContext* scaler) const
{
    sws_freeContext(scaler);
}

}
