// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>

namespace pictures {

// The memory decoded pictures live in, recycled by the program itself. A picture's pixels are one
// buffer of this pool; when the last QImage that shares them goes (the cache evicted the picture
// and nothing draws it any more), the buffer comes back here and the next decode of that size
// writes into it: its pages are already the process's, so no page of it faults in again. Buffers
// are mapped from the system directly rather than from the heap, so what the pool lets go is
// returned to the system at once, and the heap of the rest of the program keeps the allocator's
// own tuning.
//
// The pool keeps free buffers only while all its buffers, in use and free, stay within its budget
// (the cache's budget, plus a quarter for the decodes in flight and the pictures being drawn);
// beyond that a returned buffer is unmapped. Safe to use from several threads at once; the
// buffers keep the pool's state alive, so a picture may outlive the pool that made it.
class PixelPool {
public:
    explicit PixelPool(std::int64_t budgetBytes);
    ~PixelPool();
    PixelPool(const PixelPool&) = delete;
    PixelPool& operator=(const PixelPool&) = delete;

    // An image of this size and format whose pixels are a pooled buffer (uninitialised), or a null
    // image when the system has no memory for it.
    QImage acquire(QSize size, QImage::Format format);

    void setBudget(std::int64_t budgetBytes);
    // Free buffers beyond what is in use count against the budget too.
    std::int64_t freeBytes() const;
    std::int64_t usedBytes() const;
    // Buffers mapped from the system since the pool was made: a warm pool maps none.
    std::int64_t mappings() const;

    // The pool decodes on this thread write into, while the returned guard lives: our readers
    // take their pixels from allocatePicture(), which asks the current pool.
    class Use {
    public:
        explicit Use(PixelPool* pool);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        PixelPool* m_previous;
    };
    static PixelPool* current();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}
