// SPDX-License-Identifier: MIT
#pragma once

#include "export/FrameEncoder.h"

#include <string>

namespace exporter {

// One PNG file per frame, numbered from 1 through a printf-style pattern such as "frame%04d.png".
class PngSequenceEncoder final : public FrameEncoder {
public:
    PngSequenceEncoder(std::string directory, std::string pattern);

    void addFrame(const QImage& frame, std::int64_t duration) override;
    void finish() override { }

    // The name the pattern gives frame `number` (one-based).
    static std::string fileName(const std::string& pattern, int number);
    // The pattern a directory output uses: frame0001.png, wide enough for every frame number so
    // that the names sort in frame order.
    static std::string directoryPattern(int frames);

private:
    std::string m_directory;
    std::string m_pattern;
    int m_number = 0;
};

}
