// SPDX-License-Identifier: MIT
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The export draws metafile pictures through Qt, as the program does; offscreen keeps CI headless.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
