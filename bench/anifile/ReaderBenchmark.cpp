// SPDX-License-Identifier: MIT
// Reading files that are no animation: one 100 MB line and 100 MB of UTF-16 must be refused
// quickly and without holding the file, while the largest file accepted still reads in full.
//
// Each benchmark runs a fixed three times, so that its peak memory counter covers all of them; run
// one per process (--benchmark_filter=HugeLine) to see its own.
#include "BenchProgram.h"
#include "anifile/AniReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A file in the temporary directory, written once per process and removed at exit.
class BenchFile {
public:
    BenchFile(const std::string& name, const std::string& line, std::size_t bytes)
    {
        m_path = (std::filesystem::temp_directory_path() / ("movelle-bench-" + std::to_string(::getpid()) + "-" + name))
                     .string();
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        for (std::size_t written = 0; written + line.size() <= bytes; written += line.size())
            out << line;
    }
    ~BenchFile() { std::remove(m_path.c_str()); }
    BenchFile(const BenchFile&) = delete;
    BenchFile& operator=(const BenchFile&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

constexpr std::size_t kHundredMegabytes = std::size_t { 100 } * 1000 * 1000;

// Opens the file and reads what the Open dialog reads first: the count and the rate.
void openAndReadSettings(benchmark::State& state, const std::string& path)
{
    const double before = bench::peakMegabytes();
    for (auto _ : state) {
        anifile::Result<anifile::AniReader> reader = anifile::AniReader::open(path);
        if (reader) {
            benchmark::DoNotOptimize(reader.value().readField());
            benchmark::DoNotOptimize(reader.value().readField());
        }
        benchmark::DoNotOptimize(reader);
    }
    state.counters["peak_growth_MB"] = bench::peakMegabytes() - before;
}

void BM_HugeLine(benchmark::State& state)
{
    static const BenchFile file("huge-line.ani", std::string(1000, '7'), kHundredMegabytes);
    openAndReadSettings(state, file.path());
}
BENCHMARK(BM_HugeLine)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Utf16(benchmark::State& state)
{
    static const BenchFile file("utf16.ani", std::string("\xFF\xFE" "1\0\r\0\n\0", 8), kHundredMegabytes);
    openAndReadSettings(state, file.path());
}
BENCHMARK(BM_Utf16)->Unit(benchmark::kMillisecond)->Iterations(3);

// The largest file read: just under the size limit, in lines of paths, with every frame read.
void BM_LargestFile(benchmark::State& state)
{
    static const BenchFile file("largest.ani", "/home/someone/pictures/walk/frame-00001.bmp\r\n",
                                anifile::AniReader::maxFileSize - 1024);
    const double before = bench::peakMegabytes();
    for (auto _ : state) {
        anifile::Result<anifile::AniReader> reader = anifile::AniReader::open(file.path());
        std::size_t fields = 0;
        while (reader && !reader.value().atEnd() && fields < 32769) {
            benchmark::DoNotOptimize(reader.value().readField());
            ++fields;
        }
        benchmark::DoNotOptimize(fields);
    }
    state.counters["peak_growth_MB"] = bench::peakMegabytes() - before;
}
BENCHMARK(BM_LargestFile)->Unit(benchmark::kMillisecond)->Iterations(3);

}
