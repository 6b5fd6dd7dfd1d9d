// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace exporter {

// Worker threads, one per core, for the work an encoder does on each frame on its own
// (quantising a GIF frame, compressing a PNG). The encoder keeps the futures in frame order and
// takes them back in that order, so the output is the same whatever the number of threads; it
// holds at most capacity() frames in flight, so memory stays bounded by a few frames.
class FrameEncoderPool {
public:
    // `threads` 0: one per core the machine has.
    explicit FrameEncoderPool(unsigned threads = 0);
    // Work not started yet is dropped (its futures report a broken promise); work running ends
    // first.
    ~FrameEncoderPool();
    FrameEncoderPool(const FrameEncoderPool&) = delete;
    FrameEncoderPool& operator=(const FrameEncoderPool&) = delete;

    // How many frames an encoder should have in flight: one more than the threads, so that a
    // worker finds the next frame waiting while the encoder writes the oldest.
    std::size_t capacity() const { return m_threads.size() + 1; }

    // Runs `work` on a worker; an exception it throws comes out of the future's get().
    template <typename Work> auto submit(Work work) -> std::future<decltype(work())>
    {
        using Value = decltype(work());
        auto task = std::make_shared<std::packaged_task<Value()>>(std::move(work));
        std::future<Value> future = task->get_future();
        push([task] { (*task)(); });
        return future;
    }

private:
    void push(std::function<void()> job);
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    bool m_closing = false;
    std::vector<std::thread> m_threads;
};

}
