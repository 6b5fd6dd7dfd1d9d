// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/DecoderPool.h"
#include "pictures/Limits.h"
#include "pictures/PictureCache.h"
#include "pictures/PictureSource.h"
#include "pictures/Result.h"
#include "pictures/SourceRegistry.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace pictures {

class DecodeAhead;
class PixelPool;

// Every picture the program has read, so that an animation of any length plays in bounded memory.
// The store joins collaborators that each do one job: the sources by file identity
// (SourceRegistry), the decoded pictures within a byte budget (PictureCache), the checked decode
// with its time bound (DecoderPool), the pixel memory the decodes write into and the cache hands
// back (PixelPool), and the workers that decode the next frames ahead (DecodeAhead). What is left
// here is that a picture is decoded by one of them at a time. Safe to use from several threads at
// once. The program makes one in main(); nothing of it lives until static destruction.
class PictureStore {
public:
    using Decoder = DecoderPool::Decoder;
    using Source = std::shared_ptr<const PictureSource>;

    struct Settings {
        std::int64_t budgetBytes = defaultBudget();
        Limits limits {};
        std::chrono::milliseconds timeBound { 5000 };
        // Our readers by default; tests put in one they control.
        Decoder decoder;
        unsigned aheadThreads = 2;
    };

    // The environment variable that sets the budget, in MiB.
    static constexpr const char* budgetVariable = "MOVELLE_PICTURE_CACHE_MB";
    // A sixty-fourth of the machine's memory, at least 64 MiB and at most 384 MiB (the next frames
    // of any animation, with room to spare, beside the compressed files, which stay whole); or what
    // the environment variable says.
    static std::int64_t defaultBudget();

    static constexpr int maxAbandoned = DecoderPool::maxAbandoned;

    PictureStore();
    explicit PictureStore(Settings settings);
    ~PictureStore();
    PictureStore(const PictureStore&) = delete;
    PictureStore& operator=(const PictureStore&) = delete;

    // Reads the file and decodes it once to know it is a picture, or finds the source of that very
    // file (same device, inode, size and modification time) that is still in use. The error names
    // no file. `cancelled` ends a wait for a free decoder (DecoderPool).
    Result<Source> load(const QString& path, const DecoderPool::Cancel& cancelled = {});

    // The decoded picture: from the cache, or decoded now. While another thread decodes the same
    // picture (ahead of the playhead, or a paint), this waits for that decode instead of doing it
    // twice.
    Result<QImage> image(const PictureSource& source);
    bool isCached(const PictureSource& source) const { return m_cache->contains(source); }

    // Decodes these, in this order, on worker threads, so that they are ready when they are shown.
    // Replaces what an earlier call asked for and has not started. Stops at half the budget.
    void decodeAhead(const std::vector<Source>& upcoming);
    // Runs on a worker thread after each picture decoded ahead.
    void setDecodedAhead(std::function<void()> callback);

    // The checked decode with its time bound, as every decode of the store runs.
    Result<QImage> decodeBounded(const QByteArray& bytes) { return m_decoders.decode(bytes); }

    PictureCache& cache() { return *m_cache; }
    PixelPool& pixels() { return *m_pixels; }
    DecoderPool& decoders() { return m_decoders; }
    const Limits& limits() const { return m_decoders.limits(); }
    std::size_t sourceCount() { return m_registry.count(); }
    // Pictures decoded since the store was made (opening, showing and decoding ahead).
    std::int64_t decodes() const { return m_decodes.load(); }

private:
    // Decodes `source` into the cache unless it is there or being decoded already.
    bool decodeAheadOne(const PictureSource& source);
    // The decode of a picture this thread has marked as being decoded.
    Result<QImage> decodeClaimed(const PictureSource& source);

    std::shared_ptr<PictureCache> m_cache;
    std::shared_ptr<PixelPool> m_pixels;
    DecoderPool m_decoders;
    SourceRegistry m_registry;
    std::atomic<std::int64_t> m_decodes { 0 };

    std::mutex m_mutex;
    std::condition_variable m_decoded;
    std::set<const PictureSource*> m_decoding;

    // Last, so that its workers end before what they use.
    std::unique_ptr<DecodeAhead> m_ahead;
};

}
