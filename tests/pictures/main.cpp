// SPDX-License-Identifier: MIT
#include "pictures/Limits.h"
#include "pictures/PictureReader.h"

#include <QGuiApplication>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

// The child side of the tests that read under a memory limit: reads each file and prints the
// problem and the size it names, one line per file.
int readEach(int argc, char** argv)
{
    for (int i = 2; i < argc; ++i) {
        const pictures::Result<QImage> r = pictures::readPicture(QString::fromLocal8Bit(argv[i]));
        std::printf("%d %lld %lld\n", int(r.error().problem()), static_cast<long long>(r.error().width()),
            static_cast<long long>(r.error().height()));
    }
    return 0;
}

}

int main(int argc, char** argv)
{
    // As the program's main(): Qt's readers refuse what ours refuse, not less.
    QImageReader::setAllocationLimit(int(pictures::Limits {}.maxBytes / (1024 * 1024)));
    // Before the application exists: the child runs under an address-space limit it must not spend.
    if (argc > 1 && std::strcmp(argv[1], "--read-each") == 0)
        return readEach(argc, argv);
    // Metafiles are drawn with fonts, which need a GUI application; offscreen keeps CI headless.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
