// SPDX-License-Identifier: MIT
#include "pictures/Limits.h"

#include <QGuiApplication>
#include <QImageReader>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // As the program's main(): Qt's readers refuse what ours refuse, not less.
    QImageReader::setAllocationLimit(int(pictures::Limits {}.maxBytes / (1024 * 1024)));
    // The export draws metafile pictures through Qt, as the program does; offscreen keeps CI headless.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
