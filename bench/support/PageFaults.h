// SPDX-License-Identifier: MIT
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <sys/resource.h>

// Page faults and processor time of the whole process, from getrusage: every benchmark that opens
// pictures reports its page faults, so that pixel memory that is mapped afresh for every picture
// (2,048 faults for a full-HD one) shows at once.
namespace bench {

inline rusage usage()
{
    rusage now {};
    getrusage(RUSAGE_SELF, &now);
    return now;
}

inline std::int64_t pageFaults()
{
    const rusage now = usage();
    return std::int64_t(now.ru_minflt) + std::int64_t(now.ru_majflt);
}

inline double cpuSeconds()
{
    const rusage now = usage();
    return double(now.ru_utime.tv_sec + now.ru_stime.tv_sec)
        + double(now.ru_utime.tv_usec + now.ru_stime.tv_usec) / 1e6;
}

// Counts the page faults from its making to report(), which sets `<prefix>page_faults` and, for a
// number of pictures, `<prefix>faults_per_picture`.
class FaultCount {
public:
    FaultCount()
        : m_start(pageFaults())
    {
    }
    std::int64_t faults() const { return pageFaults() - m_start; }
    void report(benchmark::State& state, double pictures = 0, const std::string& prefix = {}) const
    {
        const double counted = double(faults());
        state.counters[prefix + "page_faults"] = counted;
        if (pictures > 0)
            state.counters[prefix + "faults_per_picture"] = counted / pictures;
    }

private:
    std::int64_t m_start;
};

}
