// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "shell/About.h"
#include "shell/Form1.h"
#include "shell/Form5.h"
#include "shell/Form6.h"
#include "shell/frmLogin.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using testing_support::Headless;

// The program past the login, with the main window shown.
struct LoggedIn : Headless {
    LoggedIn()
    {
        app.start();
        app.frmLogin().txtPassword.setText("harbor");
        app.frmLogin().cmdOK.click();
        screen.shown.clear();
        screen.hidden.clear();
    }
    movelle::Form1& main() { return app.Form1(); }
};

TEST(SecondaryWindows, AboutsOkBringsTheMainWindowForwardAndKeepsTheAboutBoxHidden)
{
    LoggedIn h;
    h.main().aaa.click();
    ASSERT_NE(h.app.existing("About"), nullptr);
    movelle::About& about = h.app.About();
    EXPECT_TRUE(about.isShown());
    // The ship picture comes from the program's resources through the picture decoder.
    EXPECT_EQ(about.Image1.picture().width(), 41);
    EXPECT_EQ(about.Image1.picture().height(), 42);
    EXPECT_EQ(about.Label1.caption(), "Product Name  :");
    // The titles are bold italic, the values bold upright, the notice plain and fixed in size.
    struct Looks {
        const forms::Label& label;
        bool autoSize, bold, italic;
        std::optional<forms::Rgb> colour;
    };
    for (const Looks& l : { Looks { about.Label1, true, true, true, 0x0000ff }, Looks { about.Label2, true, true, false, 0x0000ff },
             Looks { about.Label5, true, true, true, 0x0000ff }, Looks { about.Label6, true, true, false, 0xff0000 },
             Looks { about.Label9, false, false, false, std::nullopt } }) {
        SCOPED_TRACE(l.label.caption());
        EXPECT_EQ(l.label.autoSize(), l.autoSize);
        EXPECT_EQ(l.label.look().bold, l.bold);
        EXPECT_EQ(l.label.look().italic, l.italic);
        EXPECT_EQ(l.label.look().foreColor, l.colour);
    }

    about.Command1.click();
    EXPECT_FALSE(about.isShown());
    EXPECT_TRUE(h.main().isShown());
    // The main window is shown first, then the about box goes.
    EXPECT_EQ(h.screen.shown, (std::vector<std::string> { "About", "Form1" }));
    EXPECT_EQ(h.screen.hidden, (std::vector<std::string> { "About" }));
    EXPECT_TRUE(h.screen.errors.empty());

    // A second opening shows the same window with what it had.
    about.Label6.setCaption("changed");
    h.main().aaa.click();
    EXPECT_EQ(&h.app.About(), &about);
    EXPECT_EQ(about.Label6.caption(), "changed");
    EXPECT_TRUE(about.isShown());
}

TEST(SecondaryWindows, ProgramInformationIsABorderlessCentredPictureThatOkHides)
{
    LoggedIn h;
    h.main().bbh.click();
    movelle::Form6& info = h.app.Form6();
    EXPECT_TRUE(info.isShown());
    EXPECT_EQ(info.frame(), forms::Frame::None);
    EXPECT_EQ(info.placement(), forms::Placement::CenterScreen);
    EXPECT_FALSE(info.showInTaskbar());
    EXPECT_EQ(info.caption(), "");
    EXPECT_EQ(info.backgroundPicture(), ":/pictures/proginfo.png");
    // Its own black ground, not the system's window colour, around the picture.
    EXPECT_TRUE(info.hasBackColor());
    EXPECT_EQ(info.backColor(), 0x000000u);
    EXPECT_EQ(info.Label1.caption(), " MOVELLE 1.0.0 ");

    info.Command1.click();
    EXPECT_FALSE(info.isShown());
    // Hidden first, then the main window comes forward.
    EXPECT_EQ(h.screen.hidden, (std::vector<std::string> { "Form6" }));
    EXPECT_EQ(h.screen.shown, (std::vector<std::string> { "Form6", "Form1" }));
    h.main().bbh.click();
    EXPECT_EQ(&h.app.Form6(), &info);
}

TEST(SecondaryWindows, TheDrawingsOkAndCancelLeaveItOpenBehindTheMainWindow)
{
    LoggedIn h;
    h.main().Command14.click();
    movelle::Form5& drawing = h.app.Form5();
    EXPECT_TRUE(drawing.isShown());

    drawing.Command1.click();
    EXPECT_TRUE(drawing.isShown());
    drawing.Command2.click();
    EXPECT_TRUE(drawing.isShown());
    EXPECT_EQ(h.screen.shown, (std::vector<std::string> { "Form5", "Form1", "Form1" }));
    EXPECT_TRUE(h.screen.hidden.empty());

    h.main().Command14.click();
    EXPECT_EQ(&h.app.Form5(), &drawing);
}

TEST(SecondaryWindows, ClosingThroughTheFrameDestroysAndTheNextOpeningCreatesAfresh)
{
    LoggedIn h;
    h.main().aaa.click();
    h.app.About().Label6.setCaption("changed");
    h.app.About().frameClosed();
    EXPECT_EQ(h.app.existing("About"), nullptr);
    EXPECT_FALSE(h.app.ended());
    h.main().aaa.click();
    EXPECT_EQ(h.app.About().Label6.caption(), "The Movelle Team");
    EXPECT_TRUE(h.app.About().isShown());

    h.main().Command14.click();
    h.app.Form5().OLE1.setLabel("changed");
    h.app.Form5().frameClosed();
    EXPECT_EQ(h.app.existing("Form5"), nullptr);
    h.main().Command14.click();
    EXPECT_EQ(h.app.Form5().OLE1.label(), "Bitmap Image");
    // The main window and the hidden login window are untouched.
    EXPECT_TRUE(h.main().isShown());
    EXPECT_FALSE(h.app.frmLogin().isShown());
}

}
