// SPDX-License-Identifier: MIT
#include "pictures/DecoderPool.h"

#include "pictures/DecodeCheck.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureReader.h"
#include "pictures/PixelPool.h"

#include <QBuffer>
#include <QImageReader>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace pictures {

struct DecoderPool::Shared {
    std::mutex mutex;
    std::condition_variable slotFreed;
    int abandoned = 0;
};

namespace {

// One decode running on its own thread; whoever gives up waiting leaves it to finish alone.
struct Job {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Result<QImage>> result;
    bool abandoned = false;
};

}

DecoderPool::DecoderPool()
    : DecoderPool(Settings {})
{
}

DecoderPool::DecoderPool(Settings settings, std::shared_ptr<PixelPool> pixels)
    : m_settings(std::move(settings))
    , m_pixels(std::move(pixels))
    , m_shared(std::make_shared<Shared>())
{
    if (!m_settings.decoder)
        m_settings.decoder = [](QByteArrayView bytes, const Limits& limits) { return decodePicture(bytes, limits); };
}

int DecoderPool::abandoned() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->abandoned;
}

Result<QByteArray> DecoderPool::read(const QString& path) const
{
    return readPictureFile(path, m_settings.limits);
}

Result<QImage> DecoderPool::decodeFile(const QString& path, const Cancel& cancelled)
{
    Result<QByteArray> bytes = read(path);
    if (!bytes)
        return bytes.error();
    return decode(bytes.value(), cancelled);
}

Result<QImage> DecoderPool::decode(const QByteArray& bytes, const Cancel& cancelled)
{
    const PictureError refused = DecodeCheck::check(QByteArrayView(bytes), m_settings.limits);
    if (refused.isError())
        return refused;
    {
        // Hostile files whose decodes were given up must not pile up threads; a good picture
        // after them waits for a slot rather than being refused untried.
        const auto free = [this] { return m_shared->abandoned < maxAbandoned; };
        std::unique_lock lock(m_shared->mutex);
        if (cancelled) {
            while (!m_shared->slotFreed.wait_for(lock, std::chrono::milliseconds(50), free)) {
                if (cancelled())
                    return PictureError(
                        Problem::TimedOut, "the decode was cancelled while earlier pictures were still being decoded");
            }
        } else if (!m_shared->slotFreed.wait_for(lock, m_settings.timeBound, free)) {
            return PictureError(Problem::TimedOut, "earlier pictures are still being decoded after their time ran out");
        }
    }

    auto job = std::make_shared<Job>();
    try {
        std::thread([job, bytes, decoder = m_settings.decoder, limits = m_settings.limits, pixels = m_pixels,
                        shared = m_shared] {
            std::optional<Result<QImage>> result;
            try {
                const PixelPool::Use use(pixels.get());
                result.emplace(decoder(QByteArrayView(bytes), limits));
            } catch (const std::exception& e) {
                result.emplace(
                    PictureError(Problem::HelperFailed, std::string("the picture reader failed: ") + e.what()));
            }
            std::lock_guard lock(job->mutex);
            job->result = std::move(result);
            if (job->abandoned) {
                {
                    std::lock_guard sharedLock(shared->mutex);
                    --shared->abandoned;
                }
                shared->slotFreed.notify_all();
            }
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
        {
            std::lock_guard sharedLock(m_shared->mutex);
            ++m_shared->abandoned;
        }
        const auto seconds = std::chrono::duration<double>(m_settings.timeBound).count();
        return PictureError(Problem::TimedOut,
            "decoding took longer than " + QString::number(seconds).toStdString() + " s, so it was given up");
    }
    return std::move(*job->result);
}

Result<DecoderPool::Inspected> DecoderPool::inspect(const QString& path, const Cancel& cancelled)
{
    Result<QByteArray> bytes = read(path);
    if (!bytes)
        return bytes.error();
    const PictureError refused = DecodeCheck::check(QByteArrayView(bytes.value()), m_settings.limits);
    if (refused.isError())
        return refused;
    {
        QBuffer buffer(&bytes.value());
        buffer.open(QIODevice::ReadOnly);
        QImageReader probe(&buffer);
        probe.setDecideFormatFromContent(true);
        const QByteArray format = probe.format();
        const QSize declared = probe.size();
        if ((format == "png" || format == "jpeg" || format == "gif") && declared.isValid()
            && m_settings.limits.allows(declared.width(), declared.height()))
            return Inspected {declared, {}};
    }
    Result<QImage> decoded = decode(bytes.value(), cancelled);
    if (!decoded)
        return decoded.error();
    const QSize size = decoded.value().size();
    return Inspected {size, std::move(decoded).value()};
}

}
