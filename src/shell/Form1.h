// SPDX-License-Identifier: MIT
#pragma once

#include "forms/CommandButton.h"
#include "forms/Error.h"
#include "forms/ControlArray.h"
#include "forms/Image.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/MenuItem.h"
#include "forms/TextBox.h"
#include "forms/Timer.h"
#include "forms/Window.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace movelle {

class Movelle;

// The main window. The animation has no document object: its whole state lives in these
// controls (the frame count and rate in Text1 and Text2, frame i in Command1(i), Image1(i) and
// x(i), the playback position in l, the selected frame in Label6, "open" in state).
// The layout and wiring are in Form1.cpp; each handler lives with its subsystem.
class Form1 final : public forms::Window {
public:
    explicit Form1(forms::Application& application);

    // Declaration order is creation order, which is also drawing order.
    forms::CommandButton Command9 { *this, "Command9" };
    forms::CommandButton Command10 { *this, "Command10" };
    forms::CommandButton Command11 { *this, "Command11" };
    forms::CommandButton Command12 { *this, "Command12" };
    forms::CommandButton Command13 { *this, "Command13" };
    forms::CommandButton Command14 { *this, "Command14" };

    forms::Line Line1 { *this, "Line1" };
    forms::Line Line2 { *this, "Line2" };
    forms::Line Line3 { *this, "Line3" };
    forms::Line Line5 { *this, "Line5" };
    forms::Label Label4 { *this, "Label4" };
    forms::Label Label1 { *this, "Label1" };
    forms::TextBox Text1 { *this, "Text1" };
    forms::Label Label2 { *this, "Label2" };
    forms::TextBox Text2 { *this, "Text2" };
    forms::Label Label3 { *this, "Label3" };
    // Controls stack in the order they are made. "millisec/pic" reaches a little past the box's
    // right edge and paints its background: the edge lies above it, so its line stays whole.
    forms::Line Line4 { *this, "Line4" };
    forms::CommandButton Command2 { *this, "Command2" };
    forms::CommandButton Command4 { *this, "Command4" };

    forms::Label Label7 { *this, "Label7" };
    forms::Label Label8 { *this, "Label8" };
    forms::Label Label6 { *this, "Label6" };
    forms::Label lv { *this, "lv" };
    forms::Label l { *this, "l" };
    forms::Label l6v { *this, "l6v" };
    forms::ControlArray<forms::Label> x { *this, "x", "frame" };
    forms::Label state { *this, "state" };

    forms::Line Line6 { *this, "Line6" };
    forms::Line Line7 { *this, "Line7" };
    forms::Line Line8 { *this, "Line8" };
    forms::Line Line9 { *this, "Line9" };
    forms::Line Line10 { *this, "Line10" };
    forms::Label Label5 { *this, "Label5" };
    forms::CommandButton Command5 { *this, "Command5" };
    forms::CommandButton Command6 { *this, "Command6" };
    forms::CommandButton Command3 { *this, "Command3" };
    forms::CommandButton Command7 { *this, "Command7" };
    forms::CommandButton Command8 { *this, "Command8" };

    forms::ControlArray<forms::Image> Image1 { *this, "Image1", "frame" };
    forms::ControlArray<forms::CommandButton> Command1 { *this, "Command1", "frame" };

    forms::Timer Timer1 { *this, "Timer1" };
    forms::Timer Timer2 { *this, "Timer2" };

    forms::MenuItem f { *this, "f" };
    forms::MenuItem fn { *this, "fn", &f };
    forms::MenuItem fo { *this, "fo", &f };
    forms::MenuItem fs { *this, "fs", &f };
    forms::MenuItem fsa { *this, "fsa", &f };
    // Added after the items the window always had: exports the animation as it stands.
    forms::MenuItem fex { *this, "fex", &f };
    forms::MenuItem fgh { *this, "fgh", &f };
    forms::MenuItem fe { *this, "fe", &f };
    forms::MenuItem v { *this, "v" };
    forms::MenuItem vp { *this, "vp", &v };
    forms::MenuItem vs { *this, "vs", &v };
    forms::MenuItem vl { *this, "vl", &v };
    forms::MenuItem o { *this, "o" };
    forms::MenuItem ot { *this, "ot", &o };
    forms::MenuItem oh { *this, "oh", &o };
    forms::MenuItem oa { *this, "oa", &o };
    forms::MenuItem oa2 { *this, "oa2", &o };
    forms::MenuItem aaa { *this, "aaa" };
    forms::MenuItem bbh { *this, "bbh" };

    // "Settings finished": builds the frame set from Text1 and Text2.
    void Command4_Click();
    // Frames `first` to `last` (real bounds, as the count box gives them) as "Settings finished"
    // builds them: each button 500 twips right of its predecessor and every eighth starting a new
    // row, each picture and path label on element 0. With `create` false nothing is created and
    // only the row starts are applied to the buttons that exist. Throws forms::Error at the first
    // failing element; what came before it stays.
    void buildFrames(double first, double last, bool create);
    // Grows the frame set to `count` frames, the new ones built and enabled as "Settings finished"
    // builds them, and shows the count in the count box. Nothing changes when `count` is no more
    // than the frames that exist, or when the growth is refused (the error says why).
    std::optional<forms::Error> growFrames(int count);
    // The frames that exist, from frame 0 up to the first missing element.
    int frameCount() const;
    // Puts `pictures`, read from `paths`, into frame `first` and the frames after it, as several
    // files chosen in Load Frame or dropped on the window do. With no frame set yet one is built
    // first, as "Settings finished" builds it (at the rate box's rate, or 100 ms when it holds
    // none the timer runs), and the set grows when the pictures run past its last frame: the
    // window ends exactly as "Settings finished" leaves it for the new count. Throws forms::Error
    // beginning with `refusal` when the frames cannot hold them; nothing has changed then.
    void putPictures(int first, const std::vector<forms::Picture>& pictures, const std::vector<std::string>& paths,
                     const std::string& refusal);
    // Throws forms::Error beginning with `refusal` when `count` pictures from frame `first` on would
    // run past the last frame an animation can have. Callers ask before reading any picture.
    void checkRoom(int first, std::size_t count, const std::string& refusal) const;
    // Whether a frame set is built: "Settings finished" or an open enabled its first frame button,
    // and "&New" has not disabled it since.
    bool framesBuilt() const { return Command1(0).enabled(); }
    // The highest index a frame can have.
    static constexpr int kMaxFrameIndex = 32767;

    // "Default...": one frame at one millisecond per picture, typed into the boxes.
    void Command2_Click();
    // A frame button: selects frame `index` and shows its picture alone.
    void Command1_Click(int index);
    // Playback: one frame per tick.
    void Timer1_Timer();
    // Refresh of the two on-screen frame numbers.
    void Timer2_Timer();
    // "&New": back to an empty, unbuilt animation, once unsaved changes are saved or given up.
    void fn_Click();
    // Character keys: resize, border, the two views, Escape ends the program.
    void Form_KeyPress(int keyAscii);
    // "E&xit": ends the program, once unsaved changes are saved or given up.
    void fe_Click();

    // Closing the main window through its frame ends the program as "E&xit" does; a cancelled
    // question keeps the window.
    void frameClosed() override { fe_Click(); }

    // Whether the animation has changed since it was last saved or opened. The handlers that
    // change it (a picture or path put into a frame, "Settings finished") mark it; a save, an
    // open and "&New" clear the mark. Text typed into the count and rate boxes is not marked by
    // itself.
    bool unsaved() const { return m_unsaved; }
    void markUnsaved() { m_unsaved = true; }
    void markSaved() { m_unsaved = false; }
    // Runs `discard`, which throws the animation away, at once when nothing would be lost;
    // otherwise asks first. "Save" shows the Save dialog and runs `discard` once the save has
    // succeeded; "Cancel" runs nothing. `doing` ends the question: "before quitting".
    void askBeforeDiscarding(const std::string& doing, std::function<void()> discard);
    // The Save dialog tells how it ended: saved, or closed without a save (a cancel or a
    // failure). What waited for the save runs only after a successful one.
    void saveEnded(bool saved);

    // Files dropped on the main window: pictures (or folders of them) fill the frames from the
    // frame button they were dropped on, or else from the current frame, growing the animation
    // or building one when there is none; an animation file opens as Files > Open opens it.
    // Anything else is refused, and nothing changes.
    bool acceptsDrops() const override { return true; }
    void filesDropped(const std::vector<std::string>& paths, forms::Control* target) override;

    // Frame buttons and pictures by their frame, picture buttons by their menu twins' words.
    forms::AccessibleText accessibleText(const forms::Control& control) const override;

    // The state the window keeps in captions, read and written by name. Each is the caption's
    // leading number, written back as number text.
    // The playing frame, in l: the index of the frame the next playback tick shows.
    double playingFrame() const;
    void setPlayingFrame(double frame);
    // The selected frame, in Label6: one less than the caption of the frame button clicked last.
    double selectedFrame() const;
    void setSelectedFrame(double frame);
    // Whether the frame set came from a file (state reads "open"): "Settings finished" then
    // keeps the frames there are instead of loading new ones.
    bool openedFromFile() const;
    void setOpenedFromFile(bool opened);

private:
    // The frame a drop fills from: that of the frame button `button` when given, else the current
    // frame; frame 0 while no frame set is built. Throws forms::Error when that frame is gone.
    int droppedOnFrame(std::optional<int> button) const;
    // A dropped animated GIF or WebP or video: once what it would replace is saved or given up,
    // imported into a folder the user picks and put into the frames from `button`'s (or the
    // current) frame on.
    void importDropped(const std::string& path, std::optional<int> button);
    void importInto(const std::string& path, std::optional<int> button);

    // A control the view keys switch, or an array whose frames in Text1's range they switch.
    using ViewMember = std::variant<forms::Control*, forms::ControlArrayBase*>;

    void layOut();
    void buildMenus();
    void wire();
    // Hides the picture of every frame that exists, whatever Text1 says now.
    void hideFramePictures();
    // One more than the highest index any frame array holds: where frame loops may stop.
    int frameSlots() const { return std::max({ Image1.size(), Command1.size(), x.size() }); }
    // Playing means Timer1 is enabled; the six start and stop commands do only this.
    void setPlaying(bool playing) { Timer1.setEnabled(playing); }
    // What "&New" does once nothing would be lost.
    void clearAnimation();

    // How many frames ahead of the playhead a tick asks to have decoded: enough for a few ticks of
    // a slow decode, few enough that they stay in the picture cache.
    static constexpr int kDecodeAhead = 8;

    Movelle& m_app;
    bool m_unsaved = false;
    // What waits for the Save dialog that the question opened.
    std::function<void()> m_afterSave;
    // What the picture-only view ("o") hides and the full view ("p") shows again, in the order
    // it is switched. Declared with the layout.
    std::vector<ViewMember> m_fullView;
};

}
