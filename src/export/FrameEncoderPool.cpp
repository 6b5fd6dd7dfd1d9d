// SPDX-License-Identifier: MIT
#include "export/FrameEncoderPool.h"

#include <algorithm>

namespace exporter {

FrameEncoderPool::FrameEncoderPool(unsigned threads)
{
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    m_threads.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { run(); });
}

FrameEncoderPool::~FrameEncoderPool()
{
    std::deque<std::function<void()>> dropped;
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
        dropped.swap(m_jobs);
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void FrameEncoderPool::push(std::function<void()> job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_one();
}

void FrameEncoderPool::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
            if (m_closing)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

}
