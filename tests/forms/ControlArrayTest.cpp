// SPDX-License-Identifier: MIT
#include "FormsFixture.h"

#include "forms/CommandButton.h"
#include "forms/ControlArray.h"
#include "forms/Image.h"
#include "forms/Label.h"

#include <gtest/gtest.h>

using namespace forms;

namespace {

class Frames final : public Window {
public:
    explicit Frames(Application& app)
        : Window(app, "Frames")
    {
    }
    ControlArray<CommandButton> buttons { *this, "Command1", "frame" };
    ControlArray<Label> labels { *this, "lblLabels" };
    ControlArray<Image> pictures { *this, "Image1", "frame" };
};

TEST(ControlArray, LoadCopiesElementZeroInvisibleAndSharesThePicture)
{
    forms_test::Fixture f;
    auto& w = f.app.get<Frames>("Frames");
    w.buttons(0).setCaption("1");
    w.buttons(0).setGeometry(4080, 3960, 495, 255);
    w.buttons(0).setEnabled(false);
    const Picture picture(std::make_shared<PlainPicture>(1920, 1080));
    w.pictures(0).setPicture(picture);

    w.buttons.load(5);
    w.pictures.load(5);
    const CommandButton& copy = w.buttons(5);
    EXPECT_EQ(copy.caption(), "1");
    EXPECT_EQ(copy.left(), 4080);
    EXPECT_FALSE(copy.enabled());
    EXPECT_FALSE(copy.visible());
    EXPECT_EQ(copy.index(), 5);
    EXPECT_TRUE(w.pictures(5).picture() == picture);
    EXPECT_EQ(w.pictures(5).width(), 1920 * 15);
    EXPECT_FALSE(w.buttons.exists(3));
    EXPECT_EQ(w.buttons.count(), 2);
}

TEST(ControlArray, MisuseIsAnErrorNamingTheElement)
{
    forms_test::Fixture f;
    auto& w = f.app.get<Frames>("Frames");
    w.buttons.load(1);

    auto message = [](auto&& action, ErrorKind kind) {
        try {
            action();
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), kind);
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { w.buttons.load(1); }, ErrorKind::ElementExists), "Frame 2 exists already.");
    EXPECT_EQ(message([&] { w.buttons.unload(0); }, ErrorKind::ElementZero), "Frame 1 cannot be removed.");
    EXPECT_EQ(message([&] { w.buttons.unload(7); }, ErrorKind::ElementMissing), "There is no frame 8.");
    EXPECT_EQ(message([&] { w.buttons(4); }, ErrorKind::ElementMissing), "There is no frame 5.");
    EXPECT_EQ(message([&] { w.labels(1); }, ErrorKind::ElementMissing), "There is no element 1 of lblLabels.");
    EXPECT_EQ(message([&] { w.buttons.load(32768); }, ErrorKind::ElementMissing), "There is no frame 32769.");

    w.buttons.unload(1);
    EXPECT_FALSE(w.buttons.exists(1));
    w.buttons.load(1);   // an unloaded index can be loaded again
    EXPECT_TRUE(w.buttons.exists(1));
}

TEST(ControlArray, ElementClicksReachTheArrayHandlerWithTheirIndex)
{
    forms_test::Fixture f;
    auto& w = f.app.get<Frames>("Frames");
    std::vector<int> clicked;
    w.buttons.onClick = [&](int i) { clicked.push_back(i); };
    w.buttons.load(3);
    w.buttons(3).click();   // invisible: no events
    w.buttons(3).setVisible(true);
    w.buttons(3).click();
    w.buttons(0).click();
    // Hiding the focused element hands the focus to element 0, the only other one that takes it.
    w.focusMoved(&w.buttons(3));
    w.buttons(3).setVisible(false);
    EXPECT_EQ(w.focusControl(), &w.buttons(0));
    w.buttons(0).setEnabled(false);
    w.buttons(0).click();   // disabled: no clicks
    EXPECT_EQ(clicked, (std::vector<int> { 3, 0 }));
}

}

namespace {

// Bringing a control to the front puts it last in the drawing order, an element loaded from it
// starts in its own place, and an unloaded one leaves the front list.
TEST(ControlArray, BringingToTheFrontOrdersTheFrontListAndForgetsUnloadedElements)
{
    forms_test::Fixture f;
    auto& w = f.app.get<Frames>("Frames");
    for (int i = 1; i <= 3; ++i)
        w.labels.load(i);
    w.labels(2).bringToFront();
    w.labels(0).bringToFront();
    w.labels(2).bringToFront();
    EXPECT_EQ(w.frontControls(), (std::vector<Control*> { &w.labels(0), &w.labels(2) }));
    EXPECT_TRUE(w.labels(2).inFront());
    EXPECT_FALSE(w.labels(1).inFront());
    w.labels.load(4);
    EXPECT_FALSE(w.labels(4).inFront());
    w.labels.unload(2);
    EXPECT_EQ(w.frontControls(), std::vector<Control*> { &w.labels(0) });
}

}
