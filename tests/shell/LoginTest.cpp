// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "shell/Form1.h"
#include "shell/frmLogin.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testing_support::Headless;

constexpr const char* kRefusal = "Login: Invalid Password, try again!";

// The program as it starts, its login window at hand.
class Login : public ::testing::Test {
protected:
    Login() { h.app.start(); }

    Headless h;
    movelle::frmLogin& login = h.app.frmLogin();
};

TEST_F(Login, StartingCreatesAndShowsTheLoginWindowAndNothingElse)
{
    ASSERT_EQ(h.app.windows().size(), 1u);
    ASSERT_NE(h.app.existing("frmLogin"), nullptr);
    EXPECT_EQ(h.screen.shown, (std::vector<std::string> { "frmLogin" }));
    EXPECT_FALSE(login.LoginSucceeded);
    EXPECT_EQ(login.txtPassword.text(), "");
    EXPECT_EQ(login.txtPassword.passwordChar(), '*');
    // The label array has only its element 1 on screen.
    EXPECT_FALSE(login.lblLabels(0).visible());
    EXPECT_TRUE(login.lblLabels(1).visible());
    EXPECT_EQ(login.lblLabels(1).caption(), "&Password:");
    EXPECT_EQ(login.tabOrder().front(), &login.lblLabels(1));
}

TEST_F(Login, BothSpellingsOfThePasswordOpenTheMainWindow)
{
    for (const char* password : { "harbor", "HARBOR" }) {
        SCOPED_TRACE(password);
        Headless fresh;
        fresh.app.start();
        movelle::frmLogin& form = fresh.app.frmLogin();
        form.txtPassword.setText(password);
        form.cmdOK.click();

        EXPECT_TRUE(form.LoginSucceeded);
        EXPECT_FALSE(form.isShown());
        ASSERT_NE(fresh.app.existing("Form1"), nullptr);
        EXPECT_TRUE(fresh.app.Form1().isShown());
        EXPECT_TRUE(fresh.screen.messages.empty());
        EXPECT_FALSE(fresh.app.ended());
        // The login window is hidden, not destroyed.
        EXPECT_EQ(fresh.app.existing("frmLogin"), &form);
    }
}

TEST_F(Login, EveryOtherTextIsRefusedWithTheMessageAndLeftSelectedForRetyping)
{
    // Case, blanks and emptiness all count: the comparison is exact.
    for (const std::string password : { "Harbor", " harbor", "harbor ", "", "HARBOr", "harbo", "hafen\xc3\xa4" }) {
        SCOPED_TRACE(password);
        Headless fresh;
        fresh.app.start();
        movelle::frmLogin& form = fresh.app.frmLogin();
        form.txtPassword.setText(password);
        form.txtPassword.setSelection(2, 0);
        form.cmdOK.click();

        EXPECT_EQ(fresh.screen.messages, (std::vector<std::string> { kRefusal }));
        EXPECT_FALSE(form.LoginSucceeded);
        EXPECT_TRUE(form.isShown());
        EXPECT_EQ(fresh.app.existing("Form1"), nullptr);
        EXPECT_EQ(form.focusControl(), &form.txtPassword);
        // The caret at the start and the whole text selected, counted in characters.
        EXPECT_EQ(form.txtPassword.selStart(), 0);
        const int characters = password == "hafen\xc3\xa4" ? 6 : static_cast<int>(password.size());
        EXPECT_EQ(form.txtPassword.selLength(), characters);
    }
}

TEST_F(Login, RefusalsHaveNoLimitAndTheRightPasswordStillWorksAfterThem)
{
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

TEST_F(Login, EnterActsAsOkAndOtherCharactersGoOnUntouched)
{
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

TEST_F(Login, EscapeCancelAndTheFrameEachEndTheProgramWithoutAMessage)
{
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        Headless fresh;
        fresh.app.start();
        movelle::frmLogin& form = fresh.app.frmLogin();
        form.txtPassword.setText("harbor");
        if (way == 0)
            form.characterTyped(27);
        else if (way == 1)
            form.cmdCancel.click();
        else
            form.frameClosed();

        EXPECT_TRUE(fresh.app.ended());
        EXPECT_TRUE(fresh.screen.quitRequested);
        EXPECT_TRUE(fresh.screen.messages.empty());
        EXPECT_TRUE(fresh.screen.errors.empty());
        EXPECT_EQ(fresh.app.existing("Form1"), nullptr);
        EXPECT_FALSE(form.LoginSucceeded);
    }
}

TEST_F(Login, ThePasswordLabelsAccessKeyMovesTheFocusToThePasswordBox)
{
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
TEST_F(Login, AFileGivenAtStartOpensAfterTheRightPasswordOnly)
{
    testing_support::TempDir dir;
    const std::string red = writePicture(dir, "red.bmp", 4, 3, 0xff0000);
    const std::string animation = dir.writeFile("walk.ani", "2\r\n50\r\n" + red + "\r\n\r\n");
    Headless fresh;
    fresh.app.start(animation);
    movelle::frmLogin& form = fresh.app.frmLogin();
    form.txtPassword.setText("wrong");
    form.cmdOK.click();
    EXPECT_EQ(fresh.app.existing("Form1"), nullptr);

    form.txtPassword.setText("harbor");
    form.cmdOK.click();
    const movelle::Form1& f = fresh.app.Form1();
    EXPECT_TRUE(fresh.screen.errors.empty());
    EXPECT_TRUE(f.isShown());
    EXPECT_EQ(f.Text1.text() + "|" + f.Text2.text() + "|" + f.state.caption(), "2|50|open");
    EXPECT_EQ(f.Image1.count(), 2);
    EXPECT_EQ(f.x(0).caption(), red);
    EXPECT_FALSE(f.Image1(0).picture().isNull());
    EXPECT_EQ(f.x(1).caption(), "");
    EXPECT_EQ(f.Timer1.interval(), 50);
    // The Open dialog did the work but was never shown.
    EXPECT_EQ(std::count(fresh.screen.shown.begin(), fresh.screen.shown.end(), "Form4"), 0);
}

TEST_F(Login, AnUnreadableFileGivenAtStartIsReportedOverAnEmptyMainWindow)
{
    testing_support::TempDir dir;
    const std::string animation = dir.writeFile("walk.ani", "1\r\n50\r\n" + dir.str() + "/gone.bmp\r\n");
    Headless fresh;
    fresh.app.start(animation);
    fresh.app.frmLogin().txtPassword.setText("HARBOR");
    fresh.app.frmLogin().cmdOK.click();

    ASSERT_EQ(fresh.screen.errors.size(), 1u);
    EXPECT_NE(fresh.screen.errors[0].find("Frame 1: cannot read " + dir.str() + "/gone.bmp"), std::string::npos)
        << fresh.screen.errors[0];
    const movelle::Form1& f = fresh.app.Form1();
    EXPECT_TRUE(f.isShown());
    EXPECT_EQ(f.Text1.text() + f.state.caption(), "");
    EXPECT_FALSE(fresh.app.ended());
}
