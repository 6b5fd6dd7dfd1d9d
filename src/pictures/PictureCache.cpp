// SPDX-License-Identifier: MIT
#include "pictures/PictureCache.h"

namespace pictures {

PictureCache::PictureCache(std::int64_t budgetBytes)
    : m_budget(budgetBytes)
{
}

QImage PictureCache::find(const PictureSource& source)
{
    std::lock_guard lock(m_mutex);
    auto it = m_index.find(&source);
    if (it == m_index.end())
        return {};
    m_entries.splice(m_entries.begin(), m_entries, it->second);
    return it->second->image;
}

bool PictureCache::contains(const PictureSource& source) const
{
    std::lock_guard lock(m_mutex);
    return m_index.count(&source) != 0;
}

void PictureCache::insert(const PictureSource& source, const QImage& image)
{
    const std::int64_t size = image.sizeInBytes();
    std::lock_guard lock(m_mutex);
    auto it = m_index.find(&source);
    if (it != m_index.end()) {
        m_bytes -= it->second->bytes;
        m_entries.erase(it->second);
        m_index.erase(it);
    }
    if (image.isNull() || size > m_budget)
        return;
    evictTo(m_budget - size);
    m_entries.push_front(Entry { &source, image, size });
    m_index.emplace(&source, m_entries.begin());
    m_bytes += size;
}

void PictureCache::forget(const PictureSource& source)
{
    std::lock_guard lock(m_mutex);
    auto it = m_index.find(&source);
    if (it == m_index.end())
        return;
    m_bytes -= it->second->bytes;
    m_entries.erase(it->second);
    m_index.erase(it);
}

void PictureCache::evictTo(std::int64_t budgetBytes)
{
    while (!m_entries.empty() && m_bytes > budgetBytes) {
        m_bytes -= m_entries.back().bytes;
        m_index.erase(m_entries.back().source);
        m_entries.pop_back();
    }
}

std::int64_t PictureCache::budget() const
{
    std::lock_guard lock(m_mutex);
    return m_budget;
}

void PictureCache::setBudget(std::int64_t budgetBytes)
{
    std::lock_guard lock(m_mutex);
    m_budget = budgetBytes;
    evictTo(m_budget);
}

std::int64_t PictureCache::bytes() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::size_t PictureCache::count() const
{
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

}
