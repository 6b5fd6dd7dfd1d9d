// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pictures {

class PictureSource;

// Worker threads that decode the pictures about to be shown, in order, so that they are ready when
// they are shown. The threads start with the first plan and end with this object (which its owner
// destroys before the end of main, never during static destruction). Safe to use from several
// threads.
class DecodeAhead {
public:
    using Source = std::shared_ptr<const PictureSource>;
    // Decodes one picture into the cache; true when it was decoded.
    using Decode = std::function<bool(const Source&)>;

    DecodeAhead(unsigned threads, Decode decode);
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Replaces what an earlier plan asked for and has not started.
    void plan(std::vector<Source> upcoming);
    // Runs on a worker thread after each picture decoded ahead.
    void setDecodedAhead(std::function<void()> callback);

private:
    void work();

    const unsigned m_threads;
    const Decode m_decode;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Source> m_queue;
    std::function<void()> m_decodedAhead;
    std::vector<std::thread> m_workers;
    bool m_stopping = false;
};

}
