// SPDX-License-Identifier: MIT
#pragma once

#include "export/FrameEncoder.h"
#include "export/FrameEncoderPool.h"

#include <QByteArray>

#include <deque>
#include <future>
#include <memory>
#include <string>

class QImage;

namespace exporter {

// One PNG file per frame, numbered from 1 through a printf-style pattern such as "frame%04d.png".
// Frames are compressed and written on every core, a few at a time.
class PngSequenceEncoder final : public FrameEncoder {
public:
    // The one filter every row is written with. Paeth suits drawn and photographed frames; on
    // decoded video Up takes a third less time for files as small or smaller.
    enum class RowFilter { Paeth, Up };

    // `threads` 0: one per core.
    static std::unique_ptr<PngSequenceEncoder> create(std::string directory, std::string pattern, unsigned threads = 0,
                                                      RowFilter filter = RowFilter::Paeth);
    ~PngSequenceEncoder() override;
    PngSequenceEncoder(const PngSequenceEncoder&) = delete;
    PngSequenceEncoder& operator=(const PngSequenceEncoder&) = delete;

    void addFrame(const QImage& frame, std::int64_t duration) override;
    void finish() override;

    // The name the pattern gives frame `number` (one-based).
    static std::string fileName(const std::string& pattern, int number);
    // The pattern a directory output uses: frame0001.png, wide enough for every frame number so
    // that the names sort in frame order.
    static std::string directoryPattern(int frames);

    // A frame as a PNG file's bytes: 8-bit RGB, one filter for every row (trying all five on each
    // row costs twice the time for a few per cent). RGB888 and RGB32 frames are compressed as
    // they lie, others converted first. Throws ExportError (Output).
    static QByteArray encode(const QImage& frame, RowFilter filter = RowFilter::Paeth);

private:
    PngSequenceEncoder(std::string directory, std::string pattern, unsigned threads, RowFilter filter);

    std::string m_directory;
    std::string m_pattern;
    RowFilter m_filter;
    int m_number = 0;
    // The frames being written, oldest first; get() reports a frame's failure.
    std::deque<std::future<void>> m_pending;
    // Last, so that its threads stop before anything they use goes.
    FrameEncoderPool m_pool;
};

}
