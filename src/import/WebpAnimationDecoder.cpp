// SPDX-License-Identifier: MIT
#include "import/WebpAnimationDecoder.h"

#include "export/ExportError.h"
#include "pictures/Limits.h"

#include <webp/demux.h>

#include <cstring>

namespace importer {

using exporter::ExportError;

void WebpAnimationDecoder::Free::operator()(WebPAnimDecoder* decoder) const
{
    WebPAnimDecoderDelete(decoder);
}

bool WebpAnimationDecoder::isWebp(const QByteArray& head)
{
    return head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WEBP";
}

WebpAnimationDecoder::WebpAnimationDecoder(QByteArray bytes, std::string path)
    : m_bytes(std::move(bytes))
    , m_path(std::move(path))
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        throw ExportError(ExportError::Kind::BadInput, "cannot read " + m_path + ": this libwebp cannot decode animations");
    // Blue, green, red, alpha in memory is QImage's ARGB32 on the little-endian machines we run on.
    options.color_mode = MODE_BGRA;
    options.use_threads = 1;
    const WebPData data { reinterpret_cast<const std::uint8_t*>(m_bytes.constData()), std::size_t(m_bytes.size()) };
    m_decoder.reset(WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info;
    if (!m_decoder || !WebPAnimDecoderGetInfo(m_decoder.get(), &info))
        throw ExportError(ExportError::Kind::BadInput, "cannot read " + m_path + ": the WebP data is damaged");
    m_width = int(info.canvas_width);
    m_height = int(info.canvas_height);
    m_frameCount = int(info.frame_count);
    if (!pictures::Limits {}.allows(m_width, m_height)) {
        throw ExportError(ExportError::Kind::BadInput, "cannot read " + m_path + ": its frames are too large ("
                                                           + std::to_string(m_width) + " x " + std::to_string(m_height) + ")");
    }
}

bool WebpAnimationDecoder::next(DecodedFrame& frame)
{
    if (!WebPAnimDecoderHasMoreFrames(m_decoder.get()))
        return false;
    std::uint8_t* pixels = nullptr;
    int end = 0;
    ++m_frame;
    if (!WebPAnimDecoderGetNext(m_decoder.get(), &pixels, &end)) {
        throw ExportError(ExportError::Kind::BadInput,
                          "cannot read frame " + std::to_string(m_frame) + " of " + m_path + ": the WebP data is damaged");
    }
    QImage image(m_width, m_height, QImage::Format_ARGB32);
    if (image.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < m_height; ++y)
        std::memcpy(image.scanLine(y), pixels + std::size_t(y) * std::size_t(m_width) * 4, std::size_t(m_width) * 4);
    frame.image = std::move(image);
    frame.durationMs = end - m_previousEnd;
    m_previousEnd = end;
    return true;
}

}
