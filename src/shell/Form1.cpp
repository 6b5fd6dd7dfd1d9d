// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "forms/Application.h"
#include "forms/NumericText.h"
#include "shell/Movelle.h"

#include <utility>

namespace movelle {

namespace {

void place(forms::Control& c, float left, float top, float width, float height)
{
    c.setGeometry(left, top, width, height);
}

// Labels have a ground of their own in the window's colour, so a path label drawn over another
// hides it instead of printing over it.
forms::Look labelLook()
{
    forms::Look look;
    look.transparent = false;
    return look;
}

}

Form1::Form1(forms::Application& application)
    : Window(application, "Form1")
    , m_app(static_cast<Movelle&>(application))
{
    setCaption("Movelle Version 1.0.0");
    setClientSize(5055, 4980);
    // The frame picture reaches past the design width, so the window starts maximized.
    setPlacement(forms::Placement::Maximized);
    setMainWindow(true);
    setIconName(":/icons/movelle.svg");
    setKeyPreview(true);
    layOut();
    buildMenus();
    wire();
}

void Form1::layOut()
{
    struct ToolButton {
        forms::CommandButton& button;
        float left;
        const char* icon;
    };
    for (const ToolButton& t : { ToolButton { Command9, 600, ":/toolbar/play.svg" },
                                 ToolButton { Command10, 1080, ":/toolbar/stop.svg" },
                                 ToolButton { Command11, 1560, ":/toolbar/pencils.svg" },
                                 ToolButton { Command12, 2040, ":/toolbar/disk.svg" },
                                 ToolButton { Command13, 2520, ":/toolbar/folder.svg" },
                                 ToolButton { Command14, 3000, ":/toolbar/picture.svg" } }) {
        place(t.button, t.left, 120, 495, 495);
        t.button.setIconName(t.icon);
    }

    // The settings box: five lines, the top edge broken for the caption.
    Line5.setEnds(240, 840, 600, 840);
    Line1.setEnds(1200, 840, 3600, 840);
    Line4.setEnds(3600, 840, 3600, 2400);
    Line2.setEnds(240, 2400, 3600, 2400);
    Line3.setEnds(240, 2400, 240, 840);

    struct Caption {
        forms::Label& label;
        const char* text;
        float left, top, width, height;
        bool autoSize;
    };
    for (const Caption& c : { Caption { Label4, "Settings :", 600, 720, 660, 195, true },
                              Caption { Label1, "Number of Frames :", 360, 1080, 1575, 255, false },
                              Caption { Label2, "Rate of Display :", 360, 1440, 1455, 255, false },
                              Caption { Label3, "millisec/pic", 2760, 1440, 855, 375, false },
                              Caption { Label7, "Image Ani", 720, 2520, 855, 255, false },
                              Caption { Label8, "Recent Button", 1560, 2520, 1215, 255, false },
                              Caption { Label6, "0", 1680, 2640, 1215, 255, false },
                              Caption { lv, "", 960, 2760, 495, 255, false },
                              Caption { l, "0", 1200, 2760, 90, 195, true },
                              Caption { l6v, "", 1560, 2760, 495, 255, false },
                              Caption { x(0), "", 2160, 2760, 1815, 375, false },
                              Caption { state, "", 840, 2880, 1215, 255, false },
                              Caption { Label5, "Movie Controls :", 600, 3240, 1140, 195, true } }) {
        c.label.setCaption(c.text);
        place(c.label, c.left, c.top, c.width, c.height);
        c.label.setAutoSize(c.autoSize);
        c.label.setLook(labelLook());
    }
    Label6.setVisible(false);
    state.setVisible(false);
    // A path is far longer than its label: the file name at its end must stay readable.
    x(0).setElidesMiddle(true);
    // The two frame numbers read like counters: each in a single-line box.
    lv.setBorderStyle(1);
    l6v.setBorderStyle(1);

    place(Text1, 1920, 1050, 735, 285);
    place(Text2, 1920, 1440, 735, 285);

    struct Button {
        forms::CommandButton& button;
        const char* caption;
        float left, top, width;
        bool enabled;
    };
    for (const Button& b : { Button { Command2, "Default...", 480, 2040, 1095, true },
                             Button { Command4, "Settings finished", 1680, 2040, 1575, true },
                             Button { Command5, "Start Animation", 480, 3480, 1455, false },
                             Button { Command6, "Stop Animation", 480, 3840, 1455, false },
                             Button { Command3, "Load Pic.", 2040, 3480, 1335, false },
                             Button { Command7, "Next Pic.", 2040, 3840, 1335, false },
                             Button { Command8, "Last Pic.", 1320, 4200, 1335, false } }) {
        b.button.setCaption(b.caption);
        place(b.button, b.left, b.top, b.width, 255);
        b.button.setEnabled(b.enabled);
    }

    // The movie controls box.
    Line6.setEnds(240, 3360, 600, 3360);
    Line9.setEnds(1800, 3360, 3600, 3360);
    Line7.setEnds(3600, 3360, 3600, 4560);
    Line10.setEnds(240, 4560, 3600, 4560);
    Line8.setEnds(240, 4560, 240, 3360);
    for (forms::Line* line : { &Line1, &Line2, &Line3, &Line4, &Line5, &Line6, &Line7, &Line8, &Line9, &Line10 })
        line->setBorderStyle(4);

    forms::Image& picture = Image1(0);
    place(picture, 3960, 120, 4095, 3375);
    picture.setBorderStyle(1);

    forms::CommandButton& frameButton = Command1(0);
    frameButton.setCaption("1");
    place(frameButton, 4080, 3960, 495, 255);
    frameButton.setEnabled(false);

    Timer1.setEnabled(false);
    Timer1.setInterval(0);
    Timer2.setInterval(1);
    Timer2.setEnabled(true);

    setTabOrder({ &Label1, &Command1(0), &Label2, &Text1, &Text2, &Label3, &Command2, &Command3, &Command4, &Label4, &l,
                  &Label5, &Command5, &Command6, &Command7, &Command8, &Label6, &x(0), &state, &lv, &l6v, &Label7,
                  &Label8, &Command9, &Command10, &Command11, &Command12, &Command13, &Command14 });

    // Everything but the frame pictures belongs to the full view: the buttons from "Default..."
    // to the last toolbar button, the captions, each frame's path label and button, the frame
    // numbers, both boxes and the boxes' outlines. Hiding a focused control passes the focus on
    // in tab order, so this order is part of what the keys do.
    m_fullView = { &Command2, &Command3, &Command4, &Command5, &Command6, &Command7, &Command8, &Command9, &Command10,
                   &Command11, &Command12, &Command13, &Command14, &Label1, &Label2, &Label3, &Label4, &Label5,
                   &Label6, &Label7, &Label8, &x, &Command1, &l, &lv, &l6v, &Text1, &Text2, &Line1, &Line2, &Line3,
                   &Line4, &Line5, &Line6, &Line7, &Line8, &Line9, &Line10 };
}

void Form1::buildMenus()
{
    // Trailing blanks are part of the captions.
    auto item = [](forms::MenuItem& m, const std::string& caption, int blanks, const char* shortcut = "") {
        m.setCaption(caption + std::string(static_cast<std::size_t>(blanks), ' '));
        m.setShortcut(shortcut);
    };
    item(f, "&Files", 0);
    item(fn, "&New", 16, "F2");
    item(fo, "&Open", 12, "F3");
    item(fs, "&Save", 13, "F4");
    item(fsa, "Save &As", 0);
    item(fex, "&Export...", 0);
    fgh.setSeparator(true);
    item(fe, "E&xit", 6, "F1");
    item(v, "&Controls", 0);
    item(vp, "&Play", 6, "F5");
    item(vs, "&Stop", 9, "F6");
    item(vl, "&Load", 6, "F7");
    item(o, "&View", 0);
    item(ot, "&Toolbar", 6);
    item(oh, "&Settings", 6);
    item(oa, "&Animation Controls", 7);
    item(oa2, "&Activate Package", 0);
    item(aaa, "&About", 0);
    item(bbh, "&PogInfo", 0);
    ot.setChecked(true);
    oh.setChecked(true);
    oa.setChecked(true);
}

void Form1::wire()
{
    fe.onClick = [this] { fe_Click(); };
    fn.onClick = [this] { fn_Click(); };
    fo.onClick = [this] { m_app.showOpenScreen(); };
    Command13.onClick = fo.onClick;
    fs.onClick = [this] { m_app.showSaveScreen(); };
    fsa.onClick = fs.onClick;
    Command12.onClick = fs.onClick;
    fex.onClick = [this] { m_app.showExportScreen(); };
    vl.onClick = [this] { m_app.showLoadFrame(); };
    Command11.onClick = vl.onClick;
    Command3.onClick = vl.onClick;
    aaa.onClick = [this] { m_app.showAbout(); };
    bbh.onClick = [this] { m_app.showProgramInformation(); };
    Command14.onClick = [this] { m_app.showDrawing(); };

    vp.onClick = [this] { setPlaying(true); };
    Command9.onClick = vp.onClick;
    Command5.onClick = vp.onClick;
    vs.onClick = [this] { setPlaying(false); };
    Command10.onClick = vs.onClick;
    Command6.onClick = vs.onClick;

    Command2.onClick = [this] { Command2_Click(); };
    Command4.onClick = [this] { Command4_Click(); };
    Command1.onClick = [this](int index) { Command1_Click(index); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    Timer2.onTimer = [this] { Timer2_Timer(); };
    onKeyPress = [this](int keyAscii) { Form_KeyPress(keyAscii); };
}

void Form1::fe_Click()
{
    askBeforeDiscarding("before quitting", [this] { application().end(); });
}

void Form1::askBeforeDiscarding(const std::string& doing, std::function<void()> discard)
{
    if (!m_unsaved) {
        discard();
        return;
    }
    switch (application().askToSave("The animation has changed since it was last saved. Save it " + doing + "?",
                                    "Movelle")) {
    case forms::SaveAnswer::Save:
        m_afterSave = std::move(discard);
        m_app.showSaveScreen();
        break;
    case forms::SaveAnswer::DontSave:
        m_afterSave = nullptr;
        discard();
        break;
    case forms::SaveAnswer::Cancel:
        break;
    }
}

void Form1::saveEnded(bool saved)
{
    std::function<void()> waiting = std::exchange(m_afterSave, nullptr);
    if (!saved)
        return;
    markSaved();
    if (waiting)
        waiting();
}

double Form1::playingFrame() const
{
    return forms::leadingNumber(l.caption());
}

void Form1::setPlayingFrame(double frame)
{
    l.setCaption(forms::numberText(frame));
}

double Form1::selectedFrame() const
{
    return forms::leadingNumber(Label6.caption());
}

void Form1::setSelectedFrame(double frame)
{
    Label6.setCaption(forms::numberText(frame));
}

bool Form1::openedFromFile() const
{
    return state.caption() == "open";
}

void Form1::setOpenedFromFile(bool opened)
{
    state.setCaption(opened ? "open" : "");
}

}
