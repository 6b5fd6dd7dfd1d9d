// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace pictures {

class PixelPool;

// The one checked way from a file or its bytes to a decoded picture, used by the window's picture
// store and by `movelle export` alike. Before a decoder sees the bytes: the file is read only if it
// is a regular file, without blocking (PictureFile), and the checks that cost little run
// (DecodeCheck: the JPEG scan cap, the TIFF memory peak). The decode itself runs on a thread of its
// own within the limits and is given up after the time bound, so no picture holds its caller for
// longer than that. A decoder cannot be stopped: one given up runs to its end, bounded in memory by
// the limits, and at most maxAbandoned of them may be running; a later decode waits for one of them
// to end rather than pile up threads: until its caller cancels, or, for a caller that cannot
// (painting), up to one time bound. Safe to use from several threads.
class DecoderPool {
public:
    using Decoder = std::function<Result<QImage>(QByteArrayView, const Limits&)>;
    // Whether whoever waits for the decode has given up (the user cancelled the open, the export
    // was stopped); polled while a decode waits for a free slot.
    using Cancel = std::function<bool()>;

    struct Settings {
        Limits limits {};
        std::chrono::milliseconds timeBound {5000};
        // Our readers by default; tests put in one they control.
        Decoder decoder;
    };

    static constexpr int maxAbandoned = 4;

    // Decoded pixels come from `pixels` when given (the store's recycled memory).
    DecoderPool();
    explicit DecoderPool(Settings settings, std::shared_ptr<PixelPool> pixels = {});
    DecoderPool(const DecoderPool&) = delete;
    DecoderPool& operator=(const DecoderPool&) = delete;

    // The bytes of a picture file, read as the checked decode reads them. The error names no file.
    Result<QByteArray> read(const QString& path) const;
    // The checked decode of bytes already read. The error names no file.
    Result<QImage> decode(const QByteArray& bytes, const Cancel& cancelled = {});
    // Both.
    Result<QImage> decodeFile(const QString& path, const Cancel& cancelled = {});

    // What a picture file is, as cheaply as can be told safely: PNG, JPEG and GIF state their size
    // in a header Qt reads without decoding (after the checks above), so `image` stays null for
    // them; every other format is decoded (checked and bounded) to learn it.
    struct Inspected {
        QSize size;
        QImage image;
    };
    Result<Inspected> inspect(const QString& path, const Cancel& cancelled = {});

    const Limits& limits() const { return m_settings.limits; }
    std::chrono::milliseconds timeBound() const { return m_settings.timeBound; }
    // Decodes given up that are still running.
    int abandoned() const;

private:
    struct Shared;

    Settings m_settings;
    std::shared_ptr<PixelPool> m_pixels;
    // Counts the abandoned decodes; the threads they run on keep it alive.
    std::shared_ptr<Shared> m_shared;
};

}
