// SPDX-License-Identifier: MIT
#include "pictures/DecodeAhead.h"

#include "pictures/PictureSource.h"

#include <algorithm>
#include <system_error>

namespace pictures {

DecodeAhead::DecodeAhead(unsigned threads, Decode decode)
    : m_threads(std::max(1u, threads))
    , m_decode(std::move(decode))
{
}

DecodeAhead::~DecodeAhead()
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

void DecodeAhead::plan(std::vector<Source> upcoming)
{
    std::vector<Source> dropped;
    {
        std::lock_guard lock(m_mutex);
        // The sources dropped from the queue may be their pictures' last users: they go after the
        // lock is released.
        dropped.assign(std::make_move_iterator(m_queue.begin()), std::make_move_iterator(m_queue.end()));
        m_queue.assign(std::make_move_iterator(upcoming.begin()), std::make_move_iterator(upcoming.end()));
        if (m_queue.empty())
            return;
        while (m_workers.size() < m_threads) {
            try {
                m_workers.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                break;
            }
        }
    }
    m_changed.notify_all();
}

void DecodeAhead::setDecodedAhead(std::function<void()> callback)
{
    std::lock_guard lock(m_mutex);
    m_decodedAhead = std::move(callback);
}

void DecodeAhead::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        Source source = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        const bool decoded = m_decode(source);
        // The source may go with the last frame that showed it; not while the lock is held.
        source.reset();
        lock.lock();
        if (decoded && m_decodedAhead) {
            const std::function<void()> callback = m_decodedAhead;
            lock.unlock();
            callback();
            lock.lock();
        }
    }
}

}
