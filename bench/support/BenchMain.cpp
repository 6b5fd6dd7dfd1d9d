// SPDX-License-Identifier: MIT
// The one main of every benchmark program: a Qt application on the offscreen platform (unless
// the environment names another), then Google Benchmark.
#include "pictures/Limits.h"

#include <QApplication>
#include <QImageReader>

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    // As the program's main(): Qt's readers refuse what ours refuse, not less.
    QImageReader::setAllocationLimit(int(pictures::Limits {}.maxBytes / (1024 * 1024)));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
