// SPDX-License-Identifier: MIT
#include "pictures/PixelPool.h"

#include <algorithm>
#include <limits>
#include <map>
#include <mutex>
#include <sys/mman.h>
#include <tuple>
#include <vector>

namespace pictures {

namespace {

thread_local PixelPool* currentPool = nullptr;

std::int64_t bytesPerLine(int width, QImage::Format format)
{
    // QImage's own rule: whole 32-bit words a line.
    const std::int64_t bits = std::int64_t(width) * QImage::toPixelFormat(format).bitsPerPixel();
    return (bits + 31) / 32 * 4;
}

}

struct PixelPool::State : std::enable_shared_from_this<State> {
    // One mapped buffer; it knows its state, so that a picture that outlives the pool still
    // returns its memory.
    struct Buffer {
        std::shared_ptr<State> state;
        void* data;
        std::int64_t bytes;
    };

    mutable std::mutex mutex;
    std::int64_t budget;
    std::int64_t used = 0;
    std::int64_t free = 0;
    std::int64_t mapped = 0;
    std::multimap<std::int64_t, void*> freeBuffers;

    // Unmaps free buffers, the largest first, until what the pool holds fits the budget.
    void trimLocked(std::vector<std::pair<void*, std::int64_t>>& unmap)
    {
        const std::int64_t keep = budget + budget / 4;
        while (!freeBuffers.empty() && used + free > keep) {
            auto largest = std::prev(freeBuffers.end());
            unmap.emplace_back(largest->second, largest->first);
            free -= largest->first;
            freeBuffers.erase(largest);
        }
    }

    static void unmapAll(const std::vector<std::pair<void*, std::int64_t>>& unmap)
    {
        for (const auto& [data, bytes] : unmap)
            ::munmap(data, std::size_t(bytes));
    }

    void* take(std::int64_t bytes)
    {
        {
            std::lock_guard lock(mutex);
            auto found = freeBuffers.find(bytes);
            if (found != freeBuffers.end()) {
                void* data = found->second;
                freeBuffers.erase(found);
                free -= bytes;
                used += bytes;
                return data;
            }
        }
        // Populated at once: the decoder writes every page anyway, and one call that maps them all
        // costs a fraction of a fault per page (2,048 of them for a full-HD picture).
        void* data = ::mmap(
            nullptr, std::size_t(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (data == MAP_FAILED)
            return nullptr;
        std::vector<std::pair<void*, std::int64_t>> unmap;
        {
            std::lock_guard lock(mutex);
            used += bytes;
            ++mapped;
            // A buffer of a size nobody asks for any more makes room for this one.
            trimLocked(unmap);
        }
        unmapAll(unmap);
        return data;
    }

    void give(void* data, std::int64_t bytes)
    {
        std::vector<std::pair<void*, std::int64_t>> unmap;
        {
            std::lock_guard lock(mutex);
            used -= bytes;
            if (used + free + bytes <= budget + budget / 4) {
                freeBuffers.emplace(bytes, data);
                free += bytes;
            } else {
                unmap.emplace_back(data, bytes);
            }
        }
        unmapAll(unmap);
    }

    static void release(void* info)
    {
        auto* buffer = static_cast<Buffer*>(info);
        buffer->state->give(buffer->data, buffer->bytes);
        delete buffer;
    }
};

PixelPool::PixelPool(std::int64_t budgetBytes)
    : m_state(std::make_shared<State>())
{
    m_state->budget = budgetBytes;
}

PixelPool::~PixelPool()
{
    std::vector<std::pair<void*, std::int64_t>> unmap;
    {
        std::lock_guard lock(m_state->mutex);
        for (const auto& [bytes, data] : m_state->freeBuffers)
            unmap.emplace_back(data, bytes);
        m_state->freeBuffers.clear();
        m_state->free = 0;
        // Buffers still in use come back to a pool that keeps nothing.
        m_state->budget = 0;
    }
    State::unmapAll(unmap);
}

QImage PixelPool::acquire(QSize size, QImage::Format format)
{
    if (size.isEmpty() || format == QImage::Format_Invalid)
        return {};
    const std::int64_t line = bytesPerLine(size.width(), format);
    const std::int64_t bytes = line * size.height();
    if (line > std::numeric_limits<int>::max() || bytes <= 0)
        return {};
    void* data = m_state->take(bytes);
    if (!data)
        return {};
    auto* buffer = new State::Buffer {m_state, data, bytes};
    QImage image(
        static_cast<uchar*>(data), size.width(), size.height(), qsizetype(line), format, &State::release, buffer);
    if (image.isNull())
        State::release(buffer);
    return image;
}

void PixelPool::setBudget(std::int64_t budgetBytes)
{
    std::vector<std::pair<void*, std::int64_t>> unmap;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->budget = budgetBytes;
        m_state->trimLocked(unmap);
    }
    State::unmapAll(unmap);
}

std::int64_t PixelPool::freeBytes() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->free;
}

std::int64_t PixelPool::usedBytes() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->used;
}

std::int64_t PixelPool::mappings() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->mapped;
}

PixelPool::Use::Use(PixelPool* pool)
    : m_previous(currentPool)
{
    currentPool = pool;
}

PixelPool::Use::~Use()
{
    currentPool = m_previous;
}

PixelPool* PixelPool::current()
{
    return currentPool;
}

}
