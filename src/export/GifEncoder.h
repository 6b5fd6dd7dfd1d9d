// SPDX-License-Identifier: MIT
#pragma once

#include "export/EncoderHandles.h"
#include "export/FrameEncoder.h"
#include "export/FrameEncoderPool.h"

#include <QImage>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <future>
#include <memory>
#include <string>

namespace exporter {

// An animated GIF that loops for ever. Each frame gets a palette of its own from libimagequant,
// and only the rectangle that changed since the frame before is stored. Delays are in the
// format's steps of 10 ms; each frame starts at the step nearest its true start, so rounding never
// adds up and the whole animation lasts as long as it should. Browsers play a delay under 2 steps
// as 10 steps, so a frame that would start less than 2 steps after the one before is merged into
// it (the earlier frame stays on screen for both). Frames are quantised on every core, a few at a
// time; the file is the same as one thread would write.
class GifEncoder final : public FrameEncoder {
public:
    struct Settings {
        // The most quality (0-100) the palettes need; lower gives fewer colours and smaller files.
        int quality = 100;
        bool dither = false;
        // Worker threads; 0: one per core.
        unsigned threads = 0;
    };

    // Opens `path` for writing and writes the header. Throws ExportError (Output), having freed
    // whatever it made.
    static std::unique_ptr<GifEncoder> create(const std::string& path, int width, int height, Settings settings);
    ~GifEncoder() override;
    GifEncoder(const GifEncoder&) = delete;
    GifEncoder& operator=(const GifEncoder&) = delete;

    void addFrame(const QImage& frame, std::int64_t duration) override;
    void finish() override;

    // The shortest delay written, in steps of 10 ms, but for an animation shorter than it.
    static constexpr int minimumDelay = 2;

    // GIF's LZW compression of palette indexes below 1 << minimumCodeSize, as the data
    // sub-blocks that follow the minimum code size byte (the terminating empty block included).
    static std::string compress(const std::uint8_t* indexes, std::size_t count, int minimumCodeSize);

private:
    // A frame on its way: its block (graphic control extension first, its delay still blank)
    // and the step at which it starts.
    struct Pending {
        std::future<std::string> block;
        std::int64_t startSteps = 0;
    };

    GifEncoder(std::string path, Handle<std::FILE> file, Handle<liq_attr> attr, Settings settings);
    // Writes the oldest pending frame, lasting until `endSteps`.
    void writeOldest(std::int64_t endSteps);
    void write(const std::string& bytes);
    [[noreturn]] void fail() const;

    std::string m_path;
    Handle<std::FILE> m_file;
    // The quantiser's settings, built and checked once; each frame works on a copy.
    Handle<liq_attr> m_attr;
    Settings m_settings;
    QImage m_previous;
    // Where the frames so far end, in milliseconds.
    std::int64_t m_endMs = 0;
    std::deque<Pending> m_pending;
    // Last, so that its threads stop before anything they use goes.
    FrameEncoderPool m_pool;
};

}
