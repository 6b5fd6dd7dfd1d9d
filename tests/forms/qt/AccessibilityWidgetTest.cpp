// SPDX-License-Identifier: MIT
#include "Widgets.h"

#include "dialogs/Form2.h"
#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/accessibility/AccessibleView.h"
#include "shell/Form1.h"
#include "shell/frmLogin.h"

#include <QAccessible>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::settingsFinished;
using testing_support::Shown;

struct Node {
    QAccessible::Role role;
    std::string name;
    bool operator==(const Node&) const = default;
};

void PrintTo(const Node& n, std::ostream* os)
{
    *os << "{" << int(n.role) << ", \"" << n.name << "\"}";
}

constexpr auto Text = QAccessible::StaticText;
constexpr auto Graphic = QAccessible::Graphic;
constexpr auto Button = QAccessible::Button;
constexpr auto Edit = QAccessible::EditableText;

QAccessibleInterface* clientArea(Shown& s, const forms::Window& window)
{
    return QAccessible::queryAccessibleInterface(s.view(window).canvas());
}

// The client area's children as a reader walks them, in order. A combo box is named by its
// current text on this desktop, so it is listed by what it is for, its description.
std::vector<Node> tree(Shown& s, const forms::Window& window)
{
    QAccessibleInterface* area = clientArea(s, window);
    std::vector<Node> nodes;
    for (int i = 0; i < area->childCount(); ++i) {
        QAccessibleInterface* child = area->child(i);
        EXPECT_EQ(area->indexOfChild(child), i);
        EXPECT_EQ(child->parent(), area);
        const QAccessible::Text words
            = child->role() == QAccessible::ComboBox ? QAccessible::Description : QAccessible::Name;
        nodes.push_back({child->role(), child->text(words).toStdString()});
    }
    return nodes;
}

QAccessibleInterface* childNamed(Shown& s, const forms::Window& window, QAccessible::Role role, const std::string& name)
{
    QAccessibleInterface* area = clientArea(s, window);
    for (int i = 0; i < area->childCount(); ++i) {
        QAccessibleInterface* child = area->child(i);
        if (child->role() == role && child->text(QAccessible::Name).toStdString() == name)
            return child;
    }
    return nullptr;
}

// Every accessibility event the program sends while a test runs.
std::vector<std::pair<QAccessible::Event, QAccessibleInterface*>>& events()
{
    static std::vector<std::pair<QAccessible::Event, QAccessibleInterface*>> list;
    return list;
}

void record(QAccessibleEvent* event)
{
    events().emplace_back(event->type(), event->accessibleInterface());
}

int count(QAccessible::Event type, QAccessibleInterface* target)
{
    int n = 0;
    for (const auto& [t, iface] : events())
        n += t == type && iface == target;
    return n;
}

std::int64_t now = 0;

// The program with its main window shown.
class Accessibility : public ::testing::Test {
protected:
    Accessibility() { f.show(); }

    Shown s;
    movelle::Form1& f = s.app.Form1();
};

// Hears what a client on the accessibility bus would be sent, on a clock the test moves.
class Listening : public Accessibility {
protected:
    void SetUp() override
    {
        events().clear();
        now = 0;
        m_previousSink = forms::qt::AccessibleView::setEventSink(record);
        m_previousClock = forms::qt::AccessibleView::setClock([] { return now; });
    }
    void TearDown() override
    {
        forms::qt::AccessibleView::setEventSink(m_previousSink);
        forms::qt::AccessibleView::setClock(m_previousClock);
    }

private:
    forms::qt::AccessibleView::EventSink m_previousSink = nullptr;
    forms::qt::AccessibleView::Clock m_previousClock = nullptr;
};

void build(Shown& s, movelle::Form1& f, const char* frames)
{
    settingsFinished(f, frames, "100");
    s.view(f);
}

const std::vector<Node> kToolbar {{Button, "Start Animation"}, {Button, "Stop Animation"}, {Button, "Load Pic."},
    {Button, "Save"}, {Button, "Open"}, {Button, "Drawing"}};

TEST_F(Accessibility, MainWindowBeforeAndAfterSettingsFinished)
{

    // Lines are left out, and so are the hidden Label6 and state.
    std::vector<Node> design = kToolbar;
    const std::vector<Node> rest {
        {Text, "Settings :"},
        {Text, "Number of Frames :"},
        {Edit, "Number of Frames"},
        {Text, "Rate of Display :"},
        {Edit, "Rate of Display, millisec/pic"},
        {Text, "millisec/pic"},
        {Button, "Default..."},
        {Button, "Settings finished"},
        {Text, "Image Ani"},
        {Text, "Recent Button"},
        {Text, ""} /* lv */,
        {Text, "0"} /* l */,
        {Text, ""} /* l6v */,
        {Text, ""} /* x(0) */,
        {Text, "Movie Controls :"},
        {Button, "Start Animation"},
        {Button, "Stop Animation"},
        {Button, "Load Pic."},
        {Button, "Next Pic."},
        {Button, "Last Pic."},
        {Graphic, "Frame 1"},
        {Button, "Frame 1"},
    };
    design.insert(design.end(), rest.begin(), rest.end());
    EXPECT_EQ(tree(s, f), design);

    build(s, f, "3");
    f.x(2).setCaption("/pictures/c.bmp");
    std::vector<Node> built = design;
    built[16] = {Text, "1"}; // lv
    built[18] = {Text, "1"}; // l6v
    // The new frames follow, array by array: pictures, path labels, buttons.
    const std::vector<Node> frames {{Text, ""}, {Text, "/pictures/c.bmp"}, {Graphic, "Frame 2"}, {Graphic, "Frame 3"},
        {Button, "Frame 2"}, {Button, "Frame 3"}};
    built.insert(built.end(), frames.begin(), frames.end());
    EXPECT_EQ(tree(s, f), built);

    // A picture is described by the path of its frame.
    EXPECT_EQ(childNamed(s, f, Graphic, "Frame 3")->text(QAccessible::Description).toStdString(), "/pictures/c.bmp");
    EXPECT_EQ(childNamed(s, f, Graphic, "Frame 2")->text(QAccessible::Description).toStdString(), "");
    // A drawn control says whether it can be used, as a widget does.
    EXPECT_FALSE(childNamed(s, f, Graphic, "Frame 2")->state().disabled);
    f.Image1(1).setEnabled(false);
    EXPECT_TRUE(childNamed(s, f, Graphic, "Frame 2")->state().disabled);
    EXPECT_EQ(childNamed(s, f, Text, "Recent Button")->text(QAccessible::Description).toStdString(), "");
    QAccessibleInterface* l6v = clientArea(s, f)->child(18);
    EXPECT_NE(l6v->text(QAccessible::Description).indexOf(QStringLiteral("Recent Button")), -1);
    // Where it is drawn, on the screen.
    EXPECT_EQ(childNamed(s, f, Graphic, "Frame 2")->rect().topLeft(), s.view(f).canvas()->mapToGlobal(QPoint(264, 8)));
}

TEST_F(Accessibility, TheTreeFollowsThePictureOnlyAndTheFullView)
{
    build(s, f, "2");
    const std::vector<Node> full = tree(s, f);

    f.characterTyped('o');
    s.view(f);
    EXPECT_EQ(tree(s, f), (std::vector<Node> {{Graphic, "Frame 1"}, {Graphic, "Frame 2"}}));

    // "p" brings everything back, and Label6 with it for the first time.
    f.characterTyped('p');
    s.view(f);
    std::vector<Node> expected = full;
    expected.insert(expected.begin() + 16, {Text, "0"});
    EXPECT_EQ(tree(s, f), expected);

    // Playback shows one picture at a time; the hidden ones leave the tree.
    f.Command1(1).click();
    std::vector<Node> pictures;
    for (const Node& n : tree(s, f)) {
        if (n.role == Graphic)
            pictures.push_back(n);
    }
    EXPECT_EQ(pictures, (std::vector<Node> {{Graphic, "Frame 2"}}));
}

TEST_F(Accessibility, AClientWritingATextBoxReachesTheModel)
{
    forms::qt::WindowView& view = s.view(f);
    QAccessibleInterface* count = QAccessible::queryAccessibleInterface(view.widgetFor(f.Text1));
    ASSERT_NE(count->editableTextInterface(), nullptr);
    count->setText(QAccessible::Value, QStringLiteral("3"));
    EXPECT_EQ(f.Text1.text(), "3");
    count->editableTextInterface()->insertText(1, QStringLiteral("2"));
    EXPECT_EQ(f.Text1.text(), "32");

    // The model's own text does not come back to it changed, bytes that are not UTF-8 included.
    const std::string notUtf8 = std::string(1, '\xff') + "1";
    f.Text2.setText(notUtf8);
    s.view(f);
    EXPECT_EQ(f.Text2.text(), notUtf8);
}

TEST_F(Accessibility, NewRemovesTheFramesFromTheTree)
{
    build(s, f, "3");
    ASSERT_NE(childNamed(s, f, Graphic, "Frame 3"), nullptr);
    // Nothing to lose: New acts at once, without its question.
    f.markSaved();
    f.fn_Click();
    s.view(f);
    EXPECT_EQ(childNamed(s, f, Graphic, "Frame 2"), nullptr);
    EXPECT_EQ(childNamed(s, f, Graphic, "Frame 3"), nullptr);
    EXPECT_EQ(childNamed(s, f, Button, "Frame 2"), nullptr);
    EXPECT_NE(childNamed(s, f, Graphic, "Frame 1"), nullptr);

    // A frame's picture a handler unloads leaves the tree at once, with nothing else changed.
    build(s, f, "3");
    ASSERT_NE(childNamed(s, f, Graphic, "Frame 3"), nullptr);
    QAccessibleInterface* area = clientArea(s, f);
    const int children = area->childCount();
    f.Image1.unload(2);
    EXPECT_EQ(area->childCount(), children - 1);
}

TEST_F(Accessibility, Dialogs)
{
    s.app.frmLogin().show();
    // The one path label is an array element, drawn after the design-time controls.
    EXPECT_EQ(tree(s, s.app.frmLogin()),
        (std::vector<Node> {{Edit, "Password"}, {Button, "OK"}, {Button, "Cancel"}, {Text, "Password:"}}));

    s.app.Form2().show();
    EXPECT_EQ(tree(s, s.app.Form2()),
        (std::vector<Node> {{Graphic, "Preview"}, {Text, ""}, {Button, "Default"}, {Button, "OK"}, {Button, "Cancel"},
            {QAccessible::ComboBox, "Drive"}, {Text, "Pattern :"}, {QAccessible::ComboBox, "Pattern"},
            {QAccessible::List, "Files"}, {QAccessible::List, "Directory"}}));

    const std::string remark
        = "Important Remark : Write the file without any extensions, and the extension will be added automatically.";
    const std::vector<Node> fileDialog {{Text, remark}, {Button, "OK"}, {Button, "Cancel"}, {Text, "File"},
        {Edit, "File"}, {QAccessible::ComboBox, "Drive"}, {QAccessible::List, "Files"},
        {QAccessible::List, "Directory"}};
    s.app.Form3().show();
    EXPECT_EQ(tree(s, s.app.Form3()), fileDialog);
    s.app.Form4().show();
    EXPECT_EQ(tree(s, s.app.Form4()), fileDialog);
}

TEST_F(Listening, AFastChangingCaptionIsAnnouncedAtOnceAndThenHeldBack)
{
    build(s, f, "3");
    tree(s, f); // a client has looked at every label
    QAccessibleInterface* lv = clientArea(s, f)->child(16);
    QAccessibleInterface* l6v = clientArea(s, f)->child(18);
    events().clear();

    // A thousand refreshes in a row, as the 1 ms timer gives in a second.
    for (int i = 2; i <= 1001; ++i)
        f.lv.setCaption(std::to_string(i));
    EXPECT_EQ(count(QAccessible::NameChanged, lv), 1);
    EXPECT_EQ(lv->text(QAccessible::Name).toStdString(), "1001");
    // Each label has its own pace.
    f.l6v.setCaption("3");
    EXPECT_EQ(count(QAccessible::NameChanged, l6v), 1);
}

TEST_F(Listening, LabelsNoClientHasSeenAreNotAnnounced)
{
    build(s, f, "3");
    events().clear();
    f.lv.setCaption("2");
    for (const auto& [type, iface] : events())
        EXPECT_NE(type, QAccessible::NameChanged);
}

TEST_F(Listening, TheViewSwitchIsAnnouncedOnceAfterTheKeyAndNoMoreOftenThanTheCaptions)
{
    build(s, f, "3");
    tree(s, f);
    QAccessibleInterface* area = clientArea(s, f);
    QAccessibleInterface* settings = childNamed(s, f, Text, "Settings :");
    events().clear();

    f.characterTyped('o');
    EXPECT_EQ(count(QAccessible::ObjectReorder, area), 0) << "announced while the key's handler still ran";
    s.view(f);
    EXPECT_EQ(count(QAccessible::ObjectReorder, area), 1);
    EXPECT_EQ(count(QAccessible::ObjectHide, settings), 1);

    // A quarter of a second later the next switch goes out at once.
    now = forms::qt::AccessibleView::kNoticeGapMs;
    events().clear();
    f.characterTyped('p');
    s.view(f);
    EXPECT_EQ(count(QAccessible::ObjectReorder, area), 1);
    EXPECT_EQ(count(QAccessible::ObjectShow, settings), 1);

    // Sooner, it waits: playback at 1 ms a picture must not send a notice per picture.
    now += forms::qt::AccessibleView::kNoticeGapMs - 1;
    events().clear();
    f.Command1(1).click();
    s.view(f);
    EXPECT_EQ(count(QAccessible::ObjectReorder, area), 0);
}

}
