// SPDX-License-Identifier: MIT
#pragma once

#include "export/FrameEncoder.h"

#include <cstdint>
#include <optional>
#include <string>

struct WebPAnimEncoder;

namespace exporter {

// An animated WebP that loops for ever, through libwebp's animation encoder: lossless unless a
// quality is given. Each frame's timestamp is the sum of the durations before it, in milliseconds.
class WebpEncoder final : public FrameEncoder {
public:
    // Throws ExportError (Output) when the encoder cannot be made.
    WebpEncoder(std::string path, int width, int height, std::optional<int> lossyQuality);
    ~WebpEncoder() override;

    void addFrame(const QImage& frame, std::int64_t duration) override;
    void finish() override;

private:
    std::string m_path;
    WebPAnimEncoder* m_encoder = nullptr;
    std::optional<int> m_quality;
    std::int64_t m_timestamp = 0;
};

}
