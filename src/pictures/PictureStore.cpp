// SPDX-License-Identifier: MIT
#include "pictures/PictureStore.h"

#include "pictures/DecodeAhead.h"
#include "pictures/PixelPool.h"

#include <algorithm>
#include <unistd.h>

namespace pictures {

namespace {

constexpr std::int64_t mebibyte = 1024 * 1024;

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
    : m_cache(std::make_shared<PictureCache>(settings.budgetBytes))
    , m_pixels(std::make_shared<PixelPool>(settings.budgetBytes))
    , m_decoders(DecoderPool::Settings { settings.limits, settings.timeBound, std::move(settings.decoder) }, m_pixels)
    , m_ahead(std::make_unique<DecodeAhead>(settings.aheadThreads,
                                            [this](const Source& source) { return decodeAheadOne(*source); }))
{
}

PictureStore::~PictureStore() = default;

Result<PictureStore::Source> PictureStore::load(const QString& path, const DecoderPool::Cancel& cancelled)
{
    const std::optional<SourceRegistry::Identity> identity = SourceRegistry::identify(path);
    if (identity) {
        if (Source known = m_registry.find(*identity))
            return known;
    }
    // Reading is left to the checked decode's reader, which refuses anything but a regular file.
    Result<QByteArray> bytes = m_decoders.read(path);
    if (!bytes)
        return bytes.error();
    Result<QImage> decoded = m_decoders.decode(bytes.value(), cancelled);
    ++m_decodes;
    if (!decoded)
        return decoded.error();
    const QImage& image = decoded.value();
    auto source = std::make_shared<const PictureSource>(std::move(bytes).value(), image.size(),
                                                        image.hasAlphaChannel(), m_cache);
    m_cache->insert(*source, image);
    if (!identity)
        return Source(source);
    return m_registry.add(*identity, source);
}

Result<QImage> PictureStore::image(const PictureSource& source)
{
    QImage cached = m_cache->find(source);
    if (!cached.isNull())
        return cached;
    {
        std::unique_lock lock(m_mutex);
        m_decoded.wait(lock, [&] { return m_decoding.count(&source) == 0; });
        // Decoded meanwhile by whoever was at it.
        cached = m_cache->find(source);
        if (!cached.isNull())
            return cached;
        m_decoding.insert(&source);
    }
    return decodeClaimed(source);
}

bool PictureStore::decodeAheadOne(const PictureSource& source)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_decoding.count(&source) != 0 || m_cache->contains(source))
            return false;
        m_decoding.insert(&source);
    }
    return decodeClaimed(source).ok();
}

Result<QImage> PictureStore::decodeClaimed(const PictureSource& source)
{
    Result<QImage> decoded = m_decoders.decode(source.bytes());
    ++m_decodes;
    if (decoded)
        m_cache->insert(source, decoded.value());
    {
        std::lock_guard lock(m_mutex);
        m_decoding.erase(&source);
    }
    m_decoded.notify_all();
    return decoded;
}

void PictureStore::decodeAhead(const std::vector<Source>& upcoming)
{
    std::vector<Source> queue;
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
        queue.push_back(source);
    }
    m_ahead->plan(std::move(queue));
}

void PictureStore::setDecodedAhead(std::function<void()> callback)
{
    m_ahead->setDecodedAhead(std::move(callback));
}

}
