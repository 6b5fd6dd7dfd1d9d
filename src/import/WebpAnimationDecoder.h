// SPDX-License-Identifier: MIT
#pragma once

#include "import/AnimationDecoder.h"

#include <QByteArray>

#include <memory>

struct WebPAnimDecoder;

namespace importer {

// An animated (or still) WebP, through libwebp's demuxing decoder, which composes every frame
// onto the canvas as a viewer shows it.
class WebpAnimationDecoder final : public AnimationDecoder {
public:
    // `bytes` is the whole file; `path` names it in messages.
    WebpAnimationDecoder(QByteArray bytes, std::string path);
    WebpAnimationDecoder(const WebpAnimationDecoder&) = delete;
    WebpAnimationDecoder& operator=(const WebpAnimationDecoder&) = delete;

    static bool isWebp(const QByteArray& head);

    bool next(DecodedFrame& frame) override;
    int expectedFrames() const override { return m_frameCount; }

private:
    struct Free {
        void operator()(WebPAnimDecoder* decoder) const;
    };
    QByteArray m_bytes;
    std::string m_path;
    std::unique_ptr<WebPAnimDecoder, Free> m_decoder;
    int m_width = 0;
    int m_height = 0;
    int m_frameCount = 0;
    int m_frame = 0;
    int m_previousEnd = 0;
};

}
