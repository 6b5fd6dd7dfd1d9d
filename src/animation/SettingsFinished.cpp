// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "forms/Error.h"
#include "forms/NumericText.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace movelle {

namespace {

// The rate a frame set built by several pictures at once takes when the rate box holds none the
// timer would run: without it the new animation would not play.
constexpr const char* kDefaultRate = "100";

// A rate the playback timer runs at: a number, as a whole the timer takes, above zero.
bool isRunnableRate(const std::string& text)
{
    try {
        const double rate = forms::strictNumber(text);
        return std::isfinite(rate) && forms::roundToInterval(rate) > 0 && forms::roundToInterval(rate) <= 65535;
    } catch (const forms::Error&) {
        return false;
    }
}

}

using forms::leadingNumber;
using forms::numberText;
using forms::roundToIndex;

// "Settings finished": turns the frame count in Text1 and the rate in Text2 into a frame set,
// one button, picture and path label per frame, buttons in rows of eight.
void Form1::Command4_Click()
{
    // Any failing step ends the command silently; what the steps before it did stays done.
    try {
        if (Text1.text().empty())
            return;

        Timer1.setInterval(forms::roundToInterval(leadingNumber(Text2.text())));
        // From here on the animation is built or changed: it has something to lose.
        markUnsaved();
        Command1(0).setEnabled(true);
        Image1(0).setEnabled(true);
        show();

        // Bounds are real numbers: a count of 3.5 builds frames 1 and 2 besides frame 0. Once an
        // animation file has been opened nothing is created any more; only the row starts of the
        // buttons that exist are applied again.
        buildFrames(1, leadingNumber(Text1.text()) - 1, !openedFromFile());

        const double lastEnabled = leadingNumber(Text1.text()) - 1;
        for (double i = 0; i <= lastEnabled; ++i) {
            const int k = roundToIndex(i);
            Command1(k).setEnabled(true);
            Image1(k).setEnabled(true);
        }

        for (forms::CommandButton* button : { &Command9, &Command10, &Command11, &Command14, &Command3, &Command4,
                                              &Command5, &Command6, &Command7, &Command8 })
            button->setEnabled(true);
        Timer2.setEnabled(true);
        lv.setCaption("1");
        l6v.setCaption("1");
    } catch (const forms::Error&) {
    }
}

void Form1::buildFrames(double first, double last, bool create)
{
    for (double i = first; i <= last; ++i) {
        const int k = roundToIndex(i);
        if (create) {
            Command1.load(k);
            forms::CommandButton& button = Command1(k);
            button.setVisible(true);
            button.setTop(Command1(k - 1).top());
            button.setLeft(Command1(k - 1).left() + 500);
            button.setCaption(numberText(leadingNumber(Command1(k - 1).caption()) + 1));

            Image1.load(k);
            forms::Image& picture = Image1(k);
            picture.setVisible(true);
            picture.setTop(Image1(k - 1).top());
            picture.setLeft(Image1(k - 1).left());

            x.load(k);
            forms::Label& path = x(k);
            path.setVisible(true);
            path.setTop(x(k - 1).top());
            path.setLeft(x(k - 1).left());
        }
        if (i / 8 == std::floor(i / 8)) {
            // Every eighth button starts a new row directly below the previous one.
            forms::CommandButton& button = Command1(k);
            button.setTop(Command1(k - 1).height() + Command1(k - 1).top());
            button.setLeft(Command1(0).left());
        }
    }
}

std::optional<forms::Error> Form1::growFrames(int count)
{
    const int frames = frameCount();
    if (count <= frames)
        return std::nullopt;
    // Checked before anything is created, so a refused growth leaves the frame set as it was.
    if (count - 1 > kMaxFrameIndex) {
        return forms::Error(forms::ErrorKind::Overflow,
                            "The animation cannot grow to " + std::to_string(count) + " frames: it holds at most "
                                + std::to_string(kMaxFrameIndex + 1) + ".");
    }
    for (int i = frames; i < count; ++i) {
        if (Command1.exists(i) || Image1.exists(i) || x.exists(i)) {
            return forms::Error(forms::ErrorKind::ElementExists,
                                "The animation cannot grow to " + std::to_string(count) + " frames: frame "
                                    + std::to_string(i + 1) + " is left over from an earlier animation. Choose \""
                                    + fn.shownCaption() + "\" in the " + f.shownCaption() + " menu first.");
        }
    }
    // The new frames are built as "Settings finished" builds them, and enabled as it enables them.
    buildFrames(frames, count - 1, true);
    for (int i = frames; i < count; ++i) {
        Command1(i).setEnabled(true);
        Image1(i).setEnabled(true);
    }
    Text1.setText(numberText(static_cast<double>(count)));
    return std::nullopt;
}

int Form1::frameCount() const
{
    // The frames that stand without a gap from frame 0; the count box may say otherwise when the
    // user has edited it since.
    int frames = 1;
    while (Command1.exists(frames) && Image1.exists(frames) && x.exists(frames))
        ++frames;
    return frames;
}

void Form1::checkRoom(int first, std::size_t count, const std::string& refusal) const
{
    if (static_cast<std::size_t>(first) + count > static_cast<std::size_t>(kMaxFrameIndex) + 1) {
        throw forms::Error(forms::ErrorKind::Overflow, refusal + ": the animation holds at most "
                                                           + std::to_string(kMaxFrameIndex + 1) + " frames, and "
                                                           + std::to_string(count) + " pictures were given from frame "
                                                           + std::to_string(first + 1) + ".");
    }
}

void Form1::putPictures(int first, const std::vector<forms::Picture>& pictures, const std::vector<std::string>& paths,
                        const std::string& refusal)
{
    const int count = static_cast<int>(pictures.size());
    // Checked before anything changes, so that a refused load leaves the window as it was.
    checkRoom(first, pictures.size(), refusal);
    if (!framesBuilt()) {
        // Built as "Settings finished" builds one frame, with everything it enables; the growth
        // below then adds the rest as that command would have built them.
        if (!isRunnableRate(Text2.text()))
            Text2.setText(kDefaultRate);
        Text1.setText("1");
        Command4_Click();
    }
    if (const std::optional<forms::Error> growth = growFrames(first + count))
        throw forms::Error(growth->kind(), refusal + ": " + growth->what());
    for (int k = 0; k < count; ++k) {
        Image1(first + k).setPicture(pictures[static_cast<std::size_t>(k)]);
        x(first + k).setCaption(paths[static_cast<std::size_t>(k)]);
    }
    markUnsaved();
}

}
