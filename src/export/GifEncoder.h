// SPDX-License-Identifier: MIT
#pragma once

#include "export/FrameEncoder.h"

#include <QImage>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace exporter {

// An animated GIF that loops for ever. Each frame gets a palette of its own from libimagequant,
// and only the rectangle that changed since the frame before is stored. Delays are in the
// format's steps of 10 ms; each frame ends at the step nearest its true end, so rounding never
// adds up and the whole animation lasts as long as it should.
class GifEncoder final : public FrameEncoder {
public:
    struct Settings {
        // The most quality (0-100) the palettes need; lower gives fewer colours and smaller files.
        int quality = 100;
        bool dither = false;
    };

    // Opens `path` for writing. Throws ExportError (Output).
    GifEncoder(const std::string& path, int width, int height, Settings settings);
    ~GifEncoder() override;

    void addFrame(const QImage& frame, std::int64_t duration) override;
    void finish() override;

    // GIF's LZW compression of palette indexes below 1 << minimumCodeSize, as the data
    // sub-blocks that follow the minimum code size byte (the terminating empty block included).
    static std::string compress(const std::uint8_t* indexes, std::size_t count, int minimumCodeSize);

private:
    void write(const std::string& bytes);

    std::string m_path;
    std::FILE* m_file = nullptr;
    int m_width;
    int m_height;
    Settings m_settings;
    QImage m_previous;
    // Where the frames so far end, in milliseconds and in the 10 ms steps already written.
    std::int64_t m_endMs = 0;
    std::int64_t m_endSteps = 0;
};

}
