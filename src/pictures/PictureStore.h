// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/PictureCache.h"
#include "pictures/PictureSource.h"
#include "pictures/Result.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

namespace pictures {

// Every picture the program has read: one source per file, however its path is spelled, and the
// decoded pictures in a cache with a byte budget, so that an animation of any length plays in
// bounded memory. Every decode runs on a thread of its own and is given up after a time bound, so
// no picture holds its caller for longer than that. Safe to use from several threads at once.
class PictureStore {
public:
    using Decoder = std::function<Result<QImage>(QByteArrayView, const Limits&)>;
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

    // At most this many decodes that ran past their time bound may still be running; further
    // decodes are refused until they end, so that hostile files cannot pile up threads.
    static constexpr int maxAbandoned = 4;

    PictureStore();
    explicit PictureStore(Settings settings);
    ~PictureStore();
    PictureStore(const PictureStore&) = delete;
    PictureStore& operator=(const PictureStore&) = delete;

    // The program's store.
    static PictureStore& shared();

    // Reads the file and decodes it once to know it is a picture, or finds the source of that very
    // file (same device, inode, size and modification time) that is still in use. The error names
    // no file.
    Result<Source> load(const QString& path);

    // The decoded picture: from the cache, or decoded now (waiting for a decode ahead of it that is
    // under way rather than doing it twice).
    Result<QImage> image(const PictureSource& source);
    bool isCached(const PictureSource& source) const { return m_cache->contains(source); }

    // Decodes these, in this order, on worker threads, so that they are ready when they are shown.
    // Replaces what an earlier call asked for and has not started. Stops at half the budget.
    void decodeAhead(const std::vector<Source>& upcoming);
    // Runs on a worker thread after each picture decoded ahead.
    void setDecodedAhead(std::function<void()> callback);

    // The decode with the checks before it and the time bound around it.
    Result<QImage> decodeBounded(const QByteArray& bytes);

    PictureCache& cache() { return *m_cache; }
    const Limits& limits() const { return m_settings.limits; }
    std::size_t sourceCount();

private:
    struct Identity {
        std::uint64_t device;
        std::uint64_t inode;
        std::int64_t size;
        std::int64_t modified;
        std::int64_t changed;
        friend auto operator<=>(const Identity&, const Identity&) = default;
    };
    struct Shared;
    void work();

    Settings m_settings;
    std::shared_ptr<PictureCache> m_cache;
    // Counts the abandoned decodes; the detached threads keep it alive.
    std::shared_ptr<Shared> m_shared;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<Identity, std::weak_ptr<const PictureSource>> m_sources;
    std::size_t m_sweepAt = 64;
    std::deque<Source> m_queue;
    std::set<const PictureSource*> m_inFlight;
    std::function<void()> m_decodedAhead;
    std::vector<std::thread> m_workers;
    bool m_stopping = false;
};

}
