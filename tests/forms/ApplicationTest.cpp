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

class Boxes final : public Window {
public:
    explicit Boxes(Application& app)
        : Window(app, "Boxes")
    {
        setTabOrder({ &Caption, &First, &Second, &Third, &Go });
        rows.load(1);
        rows(1).setVisible(true);
    }

    Label Caption { *this, "Caption" };
    TextBox First { *this, "First" };
    TextBox Second { *this, "Second" };
    TextBox Third { *this, "Third" };
    CommandButton Go { *this, "Go" };
    ControlArray<CommandButton> rows { *this, "rows" };
};

class FocusWatcher final : public WindowObserver {
public:
    void focusRequested(Control& c) override { moves.push_back(c.name()); }
    void windowFocused(Window& w) override { moves.push_back(w.name()); }
    std::vector<std::string> moves;
};

TEST(Application, AFocusedControlThatIsHiddenOrDisabledPassesTheFocusOnInTabOrder)
{
    forms_test::Fixture f;
    Boxes& w = f.app.get<Boxes>("Boxes");
    FocusWatcher watcher;
    w.setObserver(&watcher);

    // Hiding or disabling anything but the focused control moves nothing.
    w.Second.setFocus();
    w.First.setVisible(false);
    w.Third.setEnabled(false);
    EXPECT_EQ(w.focusControl(), &w.Second);
    // On to the next that can take it, skipping the disabled one; then round to the start.
    w.Second.setVisible(false);
    EXPECT_EQ(w.focusControl(), &w.Go);
    w.First.setVisible(true);
    w.Go.setEnabled(false);
    EXPECT_EQ(w.focusControl(), &w.First);
    // What the user focused counts as well.
    w.Third.setEnabled(true);
    w.focusMoved(&w.Third);
    w.Third.setEnabled(false);
    EXPECT_EQ(w.focusControl(), &w.First);
    // Nothing left that can take it: the window keeps it.
    w.First.setEnabled(false);
    EXPECT_EQ(w.focusControl(), nullptr);
    EXPECT_EQ(watcher.moves, (std::vector<std::string> { "Second", "Go", "First", "First", "Boxes" }));
    w.setObserver(nullptr);
}

TEST(Application, AFocusedArrayElementPassesTheFocusOnFromItsArraysPlace)
{
    forms_test::Fixture f;
    Boxes& w = f.app.get<Boxes>("Boxes");
    w.focusMoved(&w.rows(1));
    w.rows(1).setVisible(false);
    // The elements stand after everything else here, so the focus goes round to the start.
    EXPECT_EQ(w.focusControl(), &w.First);
}

// Frame buttons as the main window has them: only element 0 stands in the tab order.
class FrameButtons final : public Window {
public:
    explicit FrameButtons(Application& app)
        : Window(app, "FrameButtons")
    {
        setTabOrder({ &Caption, &buttons(0) });
        for (int i = 1; i <= 2; ++i) {
            buttons.load(i);
            buttons(i).setVisible(true);
        }
    }

    Label Caption { *this, "Caption" };
    ControlArray<CommandButton> buttons { *this, "buttons" };
};

TEST(Application, AHiddenElementPassesTheFocusToElementZeroWhenNothingElseCanTakeIt)
{
    forms_test::Fixture f;
    FrameButtons& w = f.app.get<FrameButtons>("FrameButtons");
    w.focusMoved(&w.buttons(2));
    w.buttons(2).setVisible(false);
    EXPECT_EQ(w.focusControl(), &w.buttons(0));
    // The other loaded elements are not in the tab order, so none of them takes it.
    w.focusMoved(&w.buttons(1));
    w.buttons(0).setEnabled(false);
    w.buttons(1).setVisible(false);
    EXPECT_EQ(w.focusControl(), nullptr);
}

TEST(Application, AnErrorsDetailsReachTheScreenWithItsMessage)
{
    struct Detailed final : WindowSystem {
        void reportError(const std::string& m) override { reports.push_back(m); }
        void reportDetailedError(const std::string& m, const std::string& d) override
        {
            reports.push_back(m + "|" + d);
        }
        std::vector<std::string> reports;
    } screen;
    ManualClock clock;
    forms_test::NoPictures pictures;
    forms_test::TestApplication app { screen, clock, pictures };
    app.dispatch([] { throw Error(ErrorKind::BadPicture, "short", "the whole list"); });
    app.dispatch([] { throw Error(ErrorKind::BadPicture, "plain"); });
    EXPECT_EQ(screen.reports, (std::vector<std::string> { "short|the whole list", "plain" }));
}

}
