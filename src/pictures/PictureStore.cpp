// SPDX-License-Identifier: MIT
#include "pictures/PictureStore.h"

#include "pictures/DecodeCheck.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureReader.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <malloc.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace pictures {

struct PictureStore::Shared {
    std::atomic<int> abandoned { 0 };
};

namespace {

constexpr std::int64_t mebibyte = 1024 * 1024;

// One decode running on its own thread; whoever gives up waiting leaves it to finish alone.
struct Job {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Result<QImage>> result;
    bool abandoned = false;
};

}

std::int64_t PictureStore::defaultBudget()
{
    const QByteArray variable = qgetenv(budgetVariable);
    if (!variable.isEmpty()) {
        bool ok = false;
        const qlonglong megabytes = variable.trimmed().toLongLong(&ok);
        if (ok && megabytes >= 0 && megabytes <= std::int64_t(1) << 30)
            return megabytes * mebibyte;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    const std::int64_t memory = pages > 0 && pageSize > 0 ? std::int64_t(pages) * pageSize : 4096 * mebibyte;
    return std::clamp<std::int64_t>(memory / 64, 64 * mebibyte, 384 * mebibyte);
}

PictureStore::PictureStore()
    : PictureStore(Settings {})
{
}

PictureStore::PictureStore(Settings settings)
    : m_settings(std::move(settings))
    , m_cache(std::make_shared<PictureCache>(m_settings.budgetBytes))
    , m_shared(std::make_shared<Shared>())
{
    // glibc raises its threshold for mapping large blocks each time one is freed, after which
    // evicted pictures' pixels stay in the heaps of the threads that decoded them: playing a long
    // animation then grows the process by gigabytes although the cache holds its budget. A fixed
    // threshold gives every picture its own mapping, returned to the system when it is evicted.
    static std::once_flag once;
    std::call_once(once, [] { ::mallopt(M_MMAP_THRESHOLD, 512 * 1024); });
    if (!m_settings.decoder)
        m_settings.decoder = [](QByteArrayView bytes, const Limits& limits) { return decodePicture(bytes, limits); };
}

PictureStore::~PictureStore()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

PictureStore& PictureStore::shared()
{
    static PictureStore store;
    return store;
}

Result<QImage> PictureStore::decodeBounded(const QByteArray& bytes)
{
    const PictureError refused = DecodeCheck::check(QByteArrayView(bytes), m_settings.limits);
    if (refused.isError())
        return refused;
    if (m_shared->abandoned.load() >= maxAbandoned)
        return PictureError(Problem::TimedOut, "earlier pictures are still being decoded after their time ran out");

    auto job = std::make_shared<Job>();
    try {
        std::thread([job, bytes, decoder = m_settings.decoder, limits = m_settings.limits, shared = m_shared] {
            std::optional<Result<QImage>> result;
            try {
                result.emplace(decoder(QByteArrayView(bytes), limits));
            } catch (const std::exception& e) {
                result.emplace(PictureError(Problem::HelperFailed, std::string("the picture reader failed: ") + e.what()));
            }
            std::lock_guard lock(job->mutex);
            job->result = std::move(result);
            if (job->abandoned)
                --shared->abandoned;
            job->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return PictureError(Problem::HelperFailed, "no thread could be started to decode the picture");
    }

    std::unique_lock lock(job->mutex);
    if (!job->done.wait_for(lock, m_settings.timeBound, [&job] { return job->result.has_value(); })) {
        // The decoder cannot be stopped; it runs to its end, bounded in memory by the limits, and
        // its picture is thrown away.
        job->abandoned = true;
        ++m_shared->abandoned;
        const auto seconds = std::chrono::duration<double>(m_settings.timeBound).count();
        return PictureError(Problem::TimedOut,
                            "decoding took longer than " + QString::number(seconds).toStdString()
                                + " s, so it was given up");
    }
    return std::move(*job->result);
}

Result<PictureStore::Source> PictureStore::load(const QString& path)
{
    // stat() neither opens the file nor blocks on a pipe; reading is left to the bounded source,
    // which refuses anything but a regular file.
    std::optional<Identity> identity;
    struct stat status {};
    if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode)) {
        identity = Identity { std::uint64_t(status.st_dev), std::uint64_t(status.st_ino), std::int64_t(status.st_size),
                              std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
                              std::int64_t(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec };
        std::lock_guard lock(m_mutex);
        auto it = m_sources.find(*identity);
        if (it != m_sources.end()) {
            if (Source known = it->second.lock())
                return known;
        }
    }

    Result<QByteArray> bytes = readPictureFile(path, m_settings.limits);
    if (!bytes)
        return bytes.error();
    Result<QImage> decoded = decodeBounded(bytes.value());
    if (!decoded)
        return decoded.error();
    const QImage& image = decoded.value();
    auto source = std::make_shared<const PictureSource>(std::move(bytes).value(), image.size(),
                                                        image.hasAlphaChannel(), m_cache);
    m_cache->insert(*source, image);
    if (!identity)
        return Source(source);

    std::lock_guard lock(m_mutex);
    std::weak_ptr<const PictureSource>& slot = m_sources[*identity];
    // Another thread read the same file meanwhile: there is still only one source.
    if (Source known = slot.lock())
        return known;
    slot = source;
    if (m_sources.size() >= m_sweepAt) {
        std::erase_if(m_sources, [](const auto& entry) { return entry.second.expired(); });
        m_sweepAt = std::max<std::size_t>(64, m_sources.size() * 2);
    }
    return Source(source);
}

Result<QImage> PictureStore::image(const PictureSource& source)
{
    QImage cached = m_cache->find(source);
    if (!cached.isNull())
        return cached;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_inFlight.count(&source) == 0; });
    }
    cached = m_cache->find(source);
    if (!cached.isNull())
        return cached;
    Result<QImage> decoded = decodeBounded(source.bytes());
    if (decoded)
        m_cache->insert(source, decoded.value());
    return decoded;
}

void PictureStore::decodeAhead(const std::vector<Source>& upcoming)
{
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    const std::int64_t room = m_cache->budget() / 2;
    std::int64_t planned = 0;
    for (const Source& source : upcoming) {
        if (!source)
            continue;
        planned += std::int64_t(source->size().width()) * source->size().height() * Limits::bytesPerPixel;
        if (planned > room)
            break;
        // What is there already counts as used, so that the pictures about to be shown are the
        // last to be evicted.
        if (!m_cache->find(*source).isNull())
            continue;
        m_queue.push_back(source);
    }
    if (m_queue.empty())
        return;
    while (m_workers.size() < std::max(1u, m_settings.aheadThreads)) {
        try {
            m_workers.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
    m_changed.notify_all();
}

void PictureStore::setDecodedAhead(std::function<void()> callback)
{
    std::lock_guard lock(m_mutex);
    m_decodedAhead = std::move(callback);
}

void PictureStore::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        Source source = std::move(m_queue.front());
        m_queue.pop_front();
        if (m_inFlight.count(source.get()) != 0 || m_cache->contains(*source))
            continue;
        m_inFlight.insert(source.get());
        lock.unlock();
        Result<QImage> decoded = decodeBounded(source->bytes());
        if (decoded)
            m_cache->insert(*source, decoded.value());
        lock.lock();
        m_inFlight.erase(source.get());
        m_changed.notify_all();
        if (decoded && m_decodedAhead) {
            const std::function<void()> callback = m_decodedAhead;
            lock.unlock();
            callback();
            lock.lock();
        }
        // The source may go with the last frame that showed it; not while the lock is held.
        lock.unlock();
        source.reset();
        lock.lock();
    }
}

std::size_t PictureStore::sourceCount()
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_sources, [](const auto& entry) { return entry.second.expired(); });
    return m_sources.size();
}

}
