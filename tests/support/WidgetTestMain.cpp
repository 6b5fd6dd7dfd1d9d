// SPDX-License-Identifier: MIT
#include "pictures/Limits.h"

#include <QApplication>
#include <QImageReader>

#include <gtest/gtest.h>

// One QApplication for every widget test; the tests run on Qt's offscreen platform.
int main(int argc, char* argv[])
{
    // As the program's main(): Qt's readers refuse what ours refuse, not less.
    QImageReader::setAllocationLimit(int(pictures::Limits {}.maxBytes / (1024 * 1024)));
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
