// SPDX-License-Identifier: MIT
#include <QApplication>

#include <gtest/gtest.h>

// One QApplication for every widget test; the tests run on Qt's offscreen platform.
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
