// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "shell/Form1.h"
#include "shell/frmLogin.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testing_support::Headless;

constexpr const char* kRefusal = "Login: Invalid Password, try again!";

TEST(Login, StartingCreatesAndShowsTheLoginWindowAndNothingElse)
{
    Headless h;
    h.app.start();
    ASSERT_EQ(h.app.windows().size(), 1u);
    ASSERT_NE(h.app.existing("frmLogin"), nullptr);
    EXPECT_EQ(h.screen.shown, (std::vector<std::string> { "frmLogin" }));

    movelle::frmLogin& login = h.app.frmLogin();
    EXPECT_FALSE(login.LoginSucceeded);
    EXPECT_EQ(login.txtPassword.text(), "");
    EXPECT_EQ(login.txtPassword.passwordChar(), '*');
    // The label array has only its element 1 on screen.
    EXPECT_FALSE(login.lblLabels(0).visible());
    EXPECT_TRUE(login.lblLabels(1).visible());
    EXPECT_EQ(login.lblLabels(1).caption(), "&Password:");
    EXPECT_EQ(login.tabOrder().front(), &login.lblLabels(1));
}

TEST(Login, BothSpellingsOfThePasswordOpenTheMainWindow)
{
    for (const char* password : { "harbor", "HARBOR" }) {
        SCOPED_TRACE(password);
        Headless h;
        h.app.start();
        movelle::frmLogin& login = h.app.frmLogin();
        login.txtPassword.setText(password);
        login.cmdOK.click();

        EXPECT_TRUE(login.LoginSucceeded);
        EXPECT_FALSE(login.isShown());
        ASSERT_NE(h.app.existing("Form1"), nullptr);
        EXPECT_TRUE(h.app.Form1().isShown());
        EXPECT_TRUE(h.screen.messages.empty());
        EXPECT_FALSE(h.app.ended());
        // The login window is hidden, not destroyed.
        EXPECT_EQ(h.app.existing("frmLogin"), &login);
    }
}

TEST(Login, EveryOtherTextIsRefusedWithTheMessageAndLeftSelectedForRetyping)
{
    // Case, blanks and emptiness all count: the comparison is exact.
    for (const std::string password : { "Harbor", " harbor", "harbor ", "", "HARBOr", "harbo", "hafen\xc3\xa4" }) {
        SCOPED_TRACE(password);
        Headless h;
        h.app.start();
        movelle::frmLogin& login = h.app.frmLogin();
        login.txtPassword.setText(password);
        login.txtPassword.setSelection(2, 0);
        login.cmdOK.click();

        EXPECT_EQ(h.screen.messages, (std::vector<std::string> { kRefusal }));
        EXPECT_FALSE(login.LoginSucceeded);
        EXPECT_TRUE(login.isShown());
        EXPECT_EQ(h.app.existing("Form1"), nullptr);
        EXPECT_EQ(login.focusControl(), &login.txtPassword);
        // The caret at the start and the whole text selected, counted in characters.
        EXPECT_EQ(login.txtPassword.selStart(), 0);
        const int characters = password == "hafen\xc3\xa4" ? 6 : static_cast<int>(password.size());
        EXPECT_EQ(login.txtPassword.selLength(), characters);
    }
}

TEST(Login, RefusalsHaveNoLimitAndTheRightPasswordStillWorksAfterThem)
{
    Headless h;
    h.app.start();
    movelle::frmLogin& login = h.app.frmLogin();
    for (int attempt = 0; attempt < 20; ++attempt) {
        login.txtPassword.setText("wrong");
        login.cmdOK.click();
    }
    EXPECT_EQ(h.screen.messages.size(), 20u);
    login.txtPassword.setText("harbor");
    login.cmdOK.click();
    EXPECT_TRUE(login.LoginSucceeded);
    EXPECT_TRUE(h.app.Form1().isShown());
}

TEST(Login, EnterActsAsOkAndOtherCharactersGoOnUntouched)
{
    Headless h;
    h.app.start();
    movelle::frmLogin& login = h.app.frmLogin();
    login.characterTyped('h');
    EXPECT_FALSE(h.app.ended());
    EXPECT_TRUE(h.screen.messages.empty());

    login.txtPassword.setText("nope");
    login.characterTyped('\r');
    EXPECT_EQ(h.screen.messages, (std::vector<std::string> { kRefusal }));

    login.txtPassword.setText("HARBOR");
    login.characterTyped('\r');
    EXPECT_TRUE(login.LoginSucceeded);
    EXPECT_TRUE(h.app.Form1().isShown());
}

TEST(Login, EscapeCancelAndTheFrameEachEndTheProgramWithoutAMessage)
{
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        Headless h;
        h.app.start();
        movelle::frmLogin& login = h.app.frmLogin();
        login.txtPassword.setText("harbor");
        if (way == 0)
            login.characterTyped(27);
        else if (way == 1)
            login.cmdCancel.click();
        else
            login.frameClosed();

        EXPECT_TRUE(h.app.ended());
        EXPECT_TRUE(h.screen.quitRequested);
        EXPECT_TRUE(h.screen.messages.empty());
        EXPECT_TRUE(h.screen.errors.empty());
        EXPECT_EQ(h.app.existing("Form1"), nullptr);
        EXPECT_FALSE(login.LoginSucceeded);
    }
}

TEST(Login, ThePasswordLabelsAccessKeyMovesTheFocusToThePasswordBox)
{
    Headless h;
    h.app.start();
    movelle::frmLogin& login = h.app.frmLogin();
    EXPECT_EQ(login.focusControl(), nullptr);
    EXPECT_TRUE(login.accessKey('P'));
    EXPECT_EQ(login.focusControl(), &login.txtPassword);
    EXPECT_TRUE(login.accessKey('p'));
    // No label is marked with another letter; the key is left to the rest of the window.
    EXPECT_FALSE(login.accessKey('a'));
    EXPECT_FALSE(login.accessKey('&'));
    EXPECT_FALSE(h.app.ended());
}

}

// `movelle ANIMATION.ani`: the file opens once the password is accepted, as the Open dialog's OK
// would open it, and not before.
TEST(Login, AFileGivenAtStartOpensAfterTheRightPasswordOnly)
{
    testing_support::TempDir dir;
    const std::string red = writePicture(dir, "red.bmp", 4, 3, 0xff0000);
    const std::string animation = dir.writeFile("walk.ani", "2\r\n50\r\n" + red + "\r\n\r\n");
    Headless h;
    h.app.start(animation);
    movelle::frmLogin& login = h.app.frmLogin();
    login.txtPassword.setText("wrong");
    login.cmdOK.click();
    EXPECT_EQ(h.app.existing("Form1"), nullptr);

    login.txtPassword.setText("harbor");
    login.cmdOK.click();
    const movelle::Form1& f = h.app.Form1();
    EXPECT_TRUE(h.screen.errors.empty());
    EXPECT_TRUE(f.isShown());
    EXPECT_EQ(f.Text1.text() + "|" + f.Text2.text() + "|" + f.state.caption(), "2|50|open");
    EXPECT_EQ(f.Image1.count(), 2);
    EXPECT_EQ(f.x(0).caption(), red);
    EXPECT_FALSE(f.Image1(0).picture().isNull());
    EXPECT_EQ(f.x(1).caption(), "");
    EXPECT_EQ(f.Timer1.interval(), 50);
    // The Open dialog did the work but was never shown.
    EXPECT_EQ(std::count(h.screen.shown.begin(), h.screen.shown.end(), "Form4"), 0);
}

TEST(Login, AnUnreadableFileGivenAtStartIsReportedOverAnEmptyMainWindow)
{
    testing_support::TempDir dir;
    const std::string animation = dir.writeFile("walk.ani", "1\r\n50\r\n" + dir.str() + "/gone.bmp\r\n");
    Headless h;
    h.app.start(animation);
    h.app.frmLogin().txtPassword.setText("HARBOR");
    h.app.frmLogin().cmdOK.click();

    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_NE(h.screen.errors[0].find("Frame 1: cannot read " + dir.str() + "/gone.bmp"), std::string::npos)
        << h.screen.errors[0];
    const movelle::Form1& f = h.app.Form1();
    EXPECT_TRUE(f.isShown());
    EXPECT_EQ(f.Text1.text() + f.state.caption(), "");
    EXPECT_FALSE(h.app.ended());
}
