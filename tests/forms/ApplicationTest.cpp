// SPDX-License-Identifier: MIT
#include "FormsFixture.h"

#include "forms/CommandButton.h"
#include "forms/ControlArray.h"
#include "forms/Label.h"
#include "forms/TextBox.h"
#include "forms/WindowObserver.h"

#include <gtest/gtest.h>

using namespace forms;

namespace {

int created = 0;

class Dialog final : public Window {
public:
    explicit Dialog(Application& app)
        : Window(app, "Dialog")
    {
        ++created;
        setKeyPreview(true);
        onKeyPress = [this](int code) { keys.push_back(code); };
        OK.onClick = [this] {
            steps.push_back("first");
            items(9);   // fails: the rest of the handler does not run
            steps.push_back("never");
        };
        setDefaultButton(&OK);
    }
    void load() override { steps.push_back("load"); }

    CommandButton OK { *this, "OK" };
    ControlArray<Label> items { *this, "items", "frame" };
    std::vector<std::string> steps;
    std::vector<int> keys;
};

TEST(Application, WindowsAreCreatedOnFirstReferenceAndAfreshAfterUnload)
{
    created = 0;
    forms_test::Fixture f;
    EXPECT_EQ(f.app.existing("Dialog"), nullptr);
    Dialog& first = f.app.get<Dialog>("Dialog");
    EXPECT_EQ(first.steps, (std::vector<std::string> { "load" }));
    EXPECT_FALSE(first.isShown());
    f.app.get<Dialog>("Dialog").steps.push_back("kept");
    EXPECT_EQ(created, 1);

    f.app.unload(first);
    EXPECT_EQ(f.app.existing("Dialog"), nullptr);
    Dialog& second = f.app.get<Dialog>("Dialog");
    EXPECT_EQ(created, 2);
    EXPECT_EQ(second.steps, (std::vector<std::string> { "load" }));
}

TEST(Application, AnErrorStopsTheHandlerAtTheFailingStepAndIsReported)
{
    forms_test::Fixture f;
    Dialog& d = f.app.get<Dialog>("Dialog");
    d.OK.click();
    EXPECT_EQ(d.steps, (std::vector<std::string> { "load", "first" }));
    EXPECT_EQ(f.screen.errors, (std::vector<std::string> { "There is no frame 10." }));
    // The program goes on.
    d.OK.click();
    EXPECT_EQ(f.screen.errors.size(), 2u);
}

TEST(Application, KeyPreviewSeesEveryCharacterFirstThenEnterClicksTheDefaultButton)
{
    forms_test::Fixture f;
    Dialog& d = f.app.get<Dialog>("Dialog");
    d.characterTyped('a');
    d.characterTyped('\r');
    EXPECT_EQ(d.keys, (std::vector<int> { 'a', '\r' }));
    EXPECT_EQ(d.steps.back(), "first");

    f.app.end();
    d.characterTyped('b');
    EXPECT_EQ(d.keys.size(), 2u);
    EXPECT_EQ(f.screen.quits, 1);
}

class Counter final : public WindowObserver {
public:
    void controlChanged(Control&, Property) override { ++changes; }
    int changes = 0;
};

TEST(Application, WritingTheSameValueTellsNobody)
{
    forms_test::Fixture f;
    Dialog& d = f.app.get<Dialog>("Dialog");
    Counter counter;
    d.setObserver(&counter);
    d.OK.setCaption("OK");
    d.OK.setCaption("OK");
    d.OK.setVisible(true);
    d.OK.setLeft(0);
    EXPECT_EQ(counter.changes, 1);
    d.setObserver(nullptr);
}

}
