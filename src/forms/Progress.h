// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>

namespace forms {

// How far a long piece of work has come, shared between the thread that does it and the window
// that shows it, and the user's wish to stop it, which the work checks between its steps.
class Progress {
public:
    void setTotal(int total) { m_total = total; }
    int total() const { return m_total; }
    void advance(int steps = 1) { m_done += steps; }
    void setDone(int done) { m_done = done; }
    int done() const { return m_done; }

    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    // For work that watches a flag of its own kind rather than this object.
    const std::atomic<bool>& cancelFlag() const { return m_cancelled; }

    // The progress of the work this thread does, if any: a step deep below the work (a picture
    // waiting for a free decoder) asks it whether the user has cancelled.
    static const Progress* current() { return s_current; }
    // Makes `progress` this thread's while it lives.
    class Scope {
    public:
        explicit Scope(const Progress& progress)
            : m_previous(s_current)
        {
            s_current = &progress;
        }
        ~Scope() { s_current = m_previous; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        const Progress* m_previous;
    };

private:
    static inline thread_local const Progress* s_current = nullptr;

    std::atomic<int> m_total { 0 };
    std::atomic<int> m_done { 0 };
    std::atomic<bool> m_cancelled { false };
};

}
