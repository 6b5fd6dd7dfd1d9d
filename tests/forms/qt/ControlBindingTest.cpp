// SPDX-License-Identifier: MIT
#include "forms/qt/controls/ControlBinding.h"

#include "../FormsFixture.h"
#include "forms/ComboBox.h"
#include "forms/CommandButton.h"
#include "forms/DriveList.h"
#include "forms/Image.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/MenuItem.h"
#include "forms/OleContainer.h"
#include "forms/TextBox.h"
#include "forms/Timer.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

using forms::qt::ControlBinding;

// One control of every kind. A new kind gets its row here.
class EveryKind final : public forms::Window {
public:
    explicit EveryKind(forms::Application& app)
        : Window(app, "EveryKind")
    {
    }

    forms::CommandButton button {*this, "button"};
    forms::Label label {*this, "label"};
    forms::TextBox box {*this, "box"};
    forms::Image image {*this, "image"};
    forms::Line line {*this, "line"};
    forms::Timer timer {*this, "timer"};
    forms::MenuItem item {*this, "item"};
    forms::ComboBox combo {*this, "combo"};
    forms::DriveList drives {*this, "drives"};
    forms::DirList dirs {*this, "dirs"};
    forms::FileList files {*this, "files"};
    forms::OleContainer ole {*this, "ole"};
};

// What the core says of a kind (windowed, so it takes the focus) and what its binding does agree:
// a windowed control gets a widget that can hold the focus, and no other control gets one;
// what the canvas draws is never a window of its own; a drawn control a reader is told of has
// a name of its own.
TEST(ControlBinding, EveryKindsBindingAgreesWithTheCoreOnWhatIsAWidget)
{
    forms_test::Fixture program;
    EveryKind& w = program.app.get<EveryKind>("EveryKind");
    w.label.setCaption("&Frames:");
    QWidget parent;
    for (forms::Control* control : w.controls()) {
        SCOPED_TRACE(control->name());
        const ControlBinding& binding = ControlBinding::of(*control);
        QWidget* widget = binding.createWidget(*control, &parent);
        EXPECT_EQ(widget != nullptr, control->isWindowed());
        if (widget) {
            EXPECT_NE(widget->focusPolicy(), Qt::NoFocus);
            EXPECT_EQ(widget->objectName().toStdString(), control->name());
        }
        if (binding.isDrawn()) {
            EXPECT_FALSE(control->isWindowed());
        }
        if (binding.isDrawn() && binding.drawnRole() != QAccessible::NoRole) {
            EXPECT_FALSE(binding.accessibleName(*control).isEmpty());
        }
    }
    EXPECT_EQ(ControlBinding::of(w.label).accessibleName(w.label).toStdString(), "Frames:");
    EXPECT_EQ(ControlBinding::of(w.image).drawnRole(), QAccessible::Graphic);
    EXPECT_EQ(ControlBinding::of(w.line).drawnRole(), QAccessible::NoRole);
}

}
