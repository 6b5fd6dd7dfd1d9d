// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include <cstdint>
#include <list>
#include <mutex>
#include <unordered_map>

namespace pictures {

class PictureSource;

// Decoded pictures within a byte budget; the least recently used go first when a new one needs the
// room. A picture that is being drawn while it is evicted stays alive in the drawing's own QImage
// copy. Safe to use from several threads at once.
class PictureCache {
public:
    explicit PictureCache(std::int64_t budgetBytes);

    // The decode of `source`, now the most recently used, or a null image.
    QImage find(const PictureSource& source);
    // Whether it is there, without counting as a use.
    bool contains(const PictureSource& source) const;
    // Keeps the decode, evicting the least recently used until the budget holds. A picture larger
    // than the whole budget is not kept.
    void insert(const PictureSource& source, const QImage& image);
    void forget(const PictureSource& source);

    std::int64_t budget() const;
    void setBudget(std::int64_t budgetBytes);
    std::int64_t bytes() const;
    std::size_t count() const;

private:
    struct Entry {
        const PictureSource* source;
        QImage image;
        std::int64_t bytes;
    };
    void evictTo(std::int64_t budgetBytes);

    mutable std::mutex m_mutex;
    std::int64_t m_budget;
    std::int64_t m_bytes = 0;
    std::list<Entry> m_entries;  // most recently used first
    std::unordered_map<const PictureSource*, std::list<Entry>::iterator> m_index;
};

}
