// SPDX-License-Identifier: MIT
#include "export/WebpEncoder.h"

#include "export/ExportError.h"

#include <QImage>

#include <webp/encode.h>
#include <webp/mux.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace exporter {

namespace {

ExportError encoderError(const std::string& path, const std::string& cause)
{
    return ExportError(ExportError::Kind::Output, "cannot write " + path + ": " + cause);
}

}

WebpEncoder::WebpEncoder(std::string path, int width, int height, std::optional<int> lossyQuality)
    : m_path(std::move(path))
    , m_quality(lossyQuality)
{
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options))
        throw encoderError(m_path, "the WebP library does not match the one Movelle was built with");
    options.anim_params.loop_count = 0;
    // Key frames now and then, so that a player can seek without decoding from the start.
    options.kmin = 9;
    options.kmax = 17;
    m_encoder = WebPAnimEncoderNew(width, height, &options);
    if (!m_encoder)
        throw encoderError(m_path, "the WebP encoder refused frames of this size");
}

WebpEncoder::~WebpEncoder()
{
    WebPAnimEncoderDelete(m_encoder);
}

void WebpEncoder::addFrame(const QImage& frame, std::int64_t duration)
{
    WebPConfig config;
    if (!WebPConfigInit(&config))
        throw encoderError(m_path, "the WebP library does not match the one Movelle was built with");
    if (m_quality) {
        config.lossless = 0;
        config.quality = static_cast<float>(*m_quality);
    } else {
        config.lossless = 1;
        // Effort, not loss: a middle setting that keeps large frames fast enough.
        config.quality = 50;
        config.method = 3;
    }

    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        throw encoderError(m_path, "the WebP library does not match the one Movelle was built with");
    picture.use_argb = 1;
    picture.width = frame.width();
    picture.height = frame.height();
    // QImage's ARGB32 and WebP's argb plane are both 0xAARRGGBB words, whatever the byte order.
    const QImage argb = frame.convertToFormat(QImage::Format_ARGB32);
    if (!WebPPictureAlloc(&picture))
        throw encoderError(m_path, "not enough memory for a frame");
    for (int y = 0; y < argb.height(); ++y) {
        std::memcpy(picture.argb + static_cast<std::ptrdiff_t>(y) * picture.argb_stride, argb.constScanLine(y),
                    static_cast<std::size_t>(argb.width()) * sizeof(std::uint32_t));
    }
    if (m_timestamp > std::numeric_limits<int>::max()) {
        WebPPictureFree(&picture);
        throw encoderError(m_path, "the animation is too long for WebP");
    }
    const int added = WebPAnimEncoderAdd(m_encoder, &picture, static_cast<int>(m_timestamp), &config);
    WebPPictureFree(&picture);
    if (!added)
        throw encoderError(m_path, WebPAnimEncoderGetError(m_encoder));
    m_timestamp += duration;
}

void WebpEncoder::finish()
{
    if (m_timestamp > std::numeric_limits<int>::max())
        throw encoderError(m_path, "the animation is too long for WebP");
    // The end time of the last frame gives its duration.
    if (!WebPAnimEncoderAdd(m_encoder, nullptr, static_cast<int>(m_timestamp), nullptr))
        throw encoderError(m_path, WebPAnimEncoderGetError(m_encoder));
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAssemble(m_encoder, &data))
        throw encoderError(m_path, WebPAnimEncoderGetError(m_encoder));

    std::FILE* file = std::fopen(m_path.c_str(), "wb");
    bool written = file && std::fwrite(data.bytes, 1, data.size, file) == data.size;
    const int error = errno;
    if (file && std::fclose(file) != 0)
        written = false;
    WebPDataClear(&data);
    if (!written)
        throw encoderError(m_path, std::strerror(error));
}

}
