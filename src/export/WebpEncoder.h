// SPDX-License-Identifier: MIT
#pragma once

#include "export/EncoderHandles.h"
#include "export/FrameEncoder.h"

#include <webp/encode.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace exporter {

// An animated WebP that loops for ever, through libwebp's animation encoder: lossless unless a
// quality is given. Each frame's timestamp is the sum of the durations before it, in milliseconds.
class WebpEncoder final : public FrameEncoder {
public:
    // Builds and checks the encoder's configuration and opens `path`. Throws ExportError (Output),
    // having freed whatever it made.
    static std::unique_ptr<WebpEncoder> create(
        const std::string& path, int width, int height, std::optional<int> lossyQuality);
    ~WebpEncoder() override;
    WebpEncoder(const WebpEncoder&) = delete;
    WebpEncoder& operator=(const WebpEncoder&) = delete;

    void addFrame(const QImage& frame, std::int64_t duration) override;
    void finish() override;

private:
    WebpEncoder(std::string path, Handle<WebPAnimEncoder> encoder, const WebPConfig& config, Handle<std::FILE> file);
    [[noreturn]] void fail(const std::string& cause) const;

    std::string m_path;
    Handle<WebPAnimEncoder> m_encoder;
    // Every frame's configuration, built and validated once.
    WebPConfig m_config;
    // Opened at the start, so that an output that cannot be written fails before any work.
    Handle<std::FILE> m_file;
    std::int64_t m_timestamp = 0;
};

}
