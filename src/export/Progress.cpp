// SPDX-License-Identifier: MIT
#include "export/Progress.h"

#include <algorithm>
#include <cmath>

namespace exporter {

namespace {

std::string clockText(double seconds)
{
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%02ld:%02ld", total / 60, total % 60);
    return text;
}

}

Progress::Progress(std::FILE* out, bool terminal, Clock clock)
    : m_out(out)
    , m_terminal(terminal)
    , m_clock(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); }))
{
}

std::string Progress::barLine(const std::string& stage, int done, int total, double elapsed)
{
    constexpr int width = 30;
    const int filled = total > 0 ? static_cast<int>(static_cast<long long>(done) * width / total) : width;
    std::string line = stage + " [" + std::string(static_cast<std::size_t>(filled), '#')
        + std::string(static_cast<std::size_t>(width - filled), ' ') + "] " + std::to_string(done) + "/"
        + std::to_string(total) + "  " + clockText(elapsed) + " elapsed";
    if (done > 0 && done < total)
        line += ", " + clockText(elapsed * (total - done) / done) + " left";
    return line;
}

void Progress::start(const std::string& stage, int total)
{
    m_total = total;
    if (m_listener)
        m_listener(0, total);
    if (!m_out)
        return;
    m_stage = stage;
    m_started = m_clock();
    m_open = true;
    update(0);
}

void Progress::update(int done)
{
    if (m_listener)
        m_listener(done, m_total);
    if (!m_open)
        return;
    const auto now = m_clock();
    const double elapsed = std::chrono::duration<double>(now - m_started).count();
    // Redrawing more than a few times a second only costs time; a log wants a line a second at
    // most. The last line of a stage is always written.
    const auto pause = m_terminal ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
    const bool first = m_terminal && done == 0;
    if (done != m_total && !first && m_lastDrawn && now - *m_lastDrawn < pause)
        return;
    m_lastDrawn = now;
    if (m_terminal) {
        std::fprintf(m_out, "\r%s\033[K", barLine(m_stage, done, m_total, elapsed).c_str());
        std::fflush(m_out);
        return;
    }
    std::fprintf(m_out, "%s: %d/%d, %s elapsed\n", m_stage.c_str(), done, m_total, clockText(elapsed).c_str());
    std::fflush(m_out);
}

void Progress::finish()
{
    if (m_out && m_open && m_terminal)
        std::fputc('\n', m_out);
    m_open = false;
}

}
