// SPDX-License-Identifier: MIT
#include "export/WebpEncoder.h"

#include "export/ExportError.h"

#include <QImage>

#include <webp/mux.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace exporter {

namespace {

ExportError encoderError(const std::string& path, const std::string& cause)
{
    return ExportError(ExportError::Kind::Output, "cannot write " + path + ": " + cause);
}

// Frees a picture's pixels on every way out.
struct PictureGuard {
    explicit PictureGuard(WebPPicture& p)
        : picture(p)
    {
    }
    WebPPicture& picture;
    PictureGuard(const PictureGuard&) = delete;
    PictureGuard& operator=(const PictureGuard&) = delete;
    ~PictureGuard() { WebPPictureFree(&picture); }
};

struct DataGuard {
    explicit DataGuard(WebPData& d)
        : data(d)
    {
    }
    WebPData& data;
    DataGuard(const DataGuard&) = delete;
    DataGuard& operator=(const DataGuard&) = delete;
    ~DataGuard() { WebPDataClear(&data); }
};

const char* const mismatch = "the WebP library does not match the one Movelle was built with";

}

std::unique_ptr<WebpEncoder> WebpEncoder::create(
    const std::string& path, int width, int height, std::optional<int> lossyQuality)
{
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options))
        throw encoderError(path, mismatch);
    options.anim_params.loop_count = 0;
    // Key frames now and then, so that a player can seek without decoding from the start.
    options.kmin = 9;
    options.kmax = 17;
    Handle<WebPAnimEncoder> encoder(WebPAnimEncoderNew(width, height, &options));
    if (!encoder)
        throw encoderError(path, "the WebP encoder refused frames of this size");

    WebPConfig config;
    if (!WebPConfigInit(&config))
        throw encoderError(path, mismatch);
    if (lossyQuality) {
        config.lossless = 0;
        config.quality = static_cast<float>(*lossyQuality);
    } else {
        config.lossless = 1;
        // Effort, not loss: a middle setting that keeps large frames fast enough.
        config.quality = 50;
        config.method = 3;
    }
    if (!WebPValidateConfig(&config))
        throw encoderError(path, "the WebP encoder refused its settings");

    Handle<std::FILE> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw encoderError(path, std::strerror(errno));
    return std::unique_ptr<WebpEncoder>(new WebpEncoder(path, std::move(encoder), config, std::move(file)));
}

WebpEncoder::WebpEncoder(
    std::string path, Handle<WebPAnimEncoder> encoder, const WebPConfig& config, Handle<std::FILE> file)
    : m_path(std::move(path))
    , m_encoder(std::move(encoder))
    , m_config(config)
    , m_file(std::move(file))
{
}

WebpEncoder::~WebpEncoder() = default;

void WebpEncoder::fail(const std::string& cause) const
{
    throw encoderError(m_path, cause);
}

void WebpEncoder::addFrame(const QImage& frame, std::int64_t duration)
{
    if (m_timestamp > std::numeric_limits<int>::max())
        fail("the animation is too long for WebP");
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        fail(mismatch);
    picture.use_argb = 1;
    picture.width = frame.width();
    picture.height = frame.height();
    if (!WebPPictureAlloc(&picture))
        fail("not enough memory for a frame");
    const PictureGuard guard(picture);
    // QImage's ARGB32 and WebP's argb plane are both 0xAARRGGBB words, whatever the byte order.
    const QImage argb = frame.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        std::memcpy(picture.argb + static_cast<std::ptrdiff_t>(y) * picture.argb_stride, argb.constScanLine(y),
            static_cast<std::size_t>(argb.width()) * sizeof(std::uint32_t));
    }
    if (!WebPAnimEncoderAdd(m_encoder.get(), &picture, static_cast<int>(m_timestamp), &m_config))
        fail(WebPAnimEncoderGetError(m_encoder.get()));
    m_timestamp += duration;
}

void WebpEncoder::finish()
{
    if (m_timestamp > std::numeric_limits<int>::max())
        fail("the animation is too long for WebP");
    // The end time of the last frame gives its duration.
    if (!WebPAnimEncoderAdd(m_encoder.get(), nullptr, static_cast<int>(m_timestamp), nullptr))
        fail(WebPAnimEncoderGetError(m_encoder.get()));
    WebPData data;
    WebPDataInit(&data);
    const DataGuard guard(data);
    if (!WebPAnimEncoderAssemble(m_encoder.get(), &data))
        fail(WebPAnimEncoderGetError(m_encoder.get()));

    // Each cause is read right after the call that failed, before anything else can change it.
    if (std::fwrite(data.bytes, 1, data.size, m_file.get()) != data.size || std::fflush(m_file.get()) != 0)
        fail(std::strerror(errno));
    if (std::fclose(m_file.release()) != 0)
        fail(std::strerror(errno));
}

}
