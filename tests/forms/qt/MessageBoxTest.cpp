// SPDX-License-Identifier: MIT
#include "forms/qt/QtWindowSystem.h"

#include "MessageBoxWatcher.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <string>

namespace {

using forms::qt::QtWindowSystem;

using BoxWatcher = testing_support::MessageBoxWatcher;

TEST(MessageBox, ALongListShowsItsStartAndKeepsTheWholeInTheDetails)
{
    std::string text = "The animation was not opened:";
    for (int k = 1; k <= 30000; ++k)
        text += "\nFrame " + std::to_string(k) + ": cannot read /p/" + std::to_string(k) + ".bmp";

    QtWindowSystem screen;
    BoxWatcher box;
    const BoxWatcher* seen = &box;
    screen.reportError(text);

    ASSERT_GT(seen->count, 0);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(seen->frame)) << seen->frame.width() << "x" << seen->frame.height();
    const QStringList lines = seen->text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), QtWindowSystem::kBoxLines + 1);
    // The first lines as they were, every one of them; the rest counted.
    for (int k = 1; k < QtWindowSystem::kBoxLines; ++k)
        EXPECT_EQ(lines[k], QStringLiteral("Frame %1: cannot read /p/%1.bmp").arg(k));
    EXPECT_TRUE(lines.back().contains(QStringLiteral("and %1 more lines").arg(30001 - QtWindowSystem::kBoxLines)))
        << lines.back().toStdString();
    EXPECT_EQ(seen->details, QString::fromStdString(text));
}

TEST(MessageBox, NoLineMakesTheBoxWiderThanTheScreen)
{
    const std::string huge(1 << 20, 'x');
    QtWindowSystem screen;
    BoxWatcher box;
    const BoxWatcher* seen = &box;
    const std::string message = "The rate \"" + huge + "\" is not a number.";
    screen.messageBox(message, "Movelle");

    ASSERT_GT(seen->count, 0);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(seen->frame)) << seen->frame.width() << "x" << seen->frame.height();
    EXPECT_LE(seen->text.size(), QtWindowSystem::kBoxLineLength + 2);
    EXPECT_TRUE(seen->text.startsWith(QStringLiteral("The rate \"xxx")));
    EXPECT_TRUE(seen->text.endsWith(QStringLiteral("xxx\" is not a number.")));
    EXPECT_EQ(seen->details, QString::fromStdString(message));
}

// Over a window in the screen's bottom right corner, the box is kept on the screen, against
// both edges.
TEST(MessageBox, OverAWindowInTheCornerStaysOnTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.setGeometry(area.right() - 50, area.bottom() - 50, 40, 40);
    owner.show();
    QApplication::setActiveWindow(&owner);
    QtWindowSystem screen;
    BoxWatcher box;
    const BoxWatcher* seen = &box;
    screen.messageBox("Invalid Password, try again!", "Movelle");
    ASSERT_GT(seen->count, 0);
    EXPECT_EQ(seen->frame.bottomRight(), area.bottomRight());
}

TEST(MessageBox, ShortTextsAreShownWholeWithoutDetails)
{
    const QString longest(QtWindowSystem::kBoxLineLength, QLatin1Char('y'));
    const QString tallest = QStringLiteral("a\n").repeated(QtWindowSystem::kBoxLines - 1) + QStringLiteral("z");
    for (const QString& text : { QStringLiteral("Invalid Password, try again!"), longest, tallest }) {
        const QtWindowSystem::BoxText shown = QtWindowSystem::boxText(text);
        EXPECT_EQ(shown.text, text);
        EXPECT_TRUE(shown.details.isEmpty());
    }
    // One line more, or one character more, and the box cuts.
    EXPECT_FALSE(QtWindowSystem::boxText(QStringLiteral("a\n").repeated(QtWindowSystem::kBoxLines)).details.isEmpty());
    EXPECT_FALSE(QtWindowSystem::boxText(longest + QLatin1Char('y')).details.isEmpty());
    // Details of its own come after whatever was cut.
    EXPECT_EQ(QtWindowSystem::boxText(QStringLiteral("short"), QStringLiteral("more")).details, QStringLiteral("more"));
}

}
