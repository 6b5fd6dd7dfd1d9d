// SPDX-License-Identifier: MIT
#pragma once

#include "forms/ComboBox.h"
#include "forms/CommandButton.h"
#include "forms/DriveList.h"
#include "forms/Image.h"
#include "forms/Label.h"
#include "forms/Window.h"

#include <optional>
#include <string>

namespace movelle {

class Movelle;

// The Load Frame dialog: the user browses to a picture file, previews it, and "OK" puts it into
// the main window's current frame (the frame Label6 names). "OK" and "Cancel" only hide the
// dialog, so its lists, preview and directory flag wait for the next showing.
class Form2 final : public forms::Window {
public:
    explicit Form2(forms::Application& application);

    // Sets the current directory to the root and fills the pattern box's list.
    void load() override;

    // Declaration order is creation order, which is also drawing order.
    forms::Image Image1 { *this, "Image1" };
    // The zero-based index of the frame that will receive the picture; the main window's frame
    // buttons write it, the dialog never does.
    forms::Label Label2 { *this, "Label2" };
    forms::CommandButton Command3 { *this, "Command3" };
    forms::CommandButton Command1 { *this, "Command1" };
    forms::CommandButton Command2 { *this, "Command2" };
    // The directory flag: "0" until the user changes the directory, "1" after; "Default" sets
    // it back to "0".
    forms::Label Label3 { *this, "Label3" };
    forms::DriveList Drive1 { *this, "Drive1" };
    forms::Label Label1 { *this, "Label1" };
    forms::ComboBox Combo1 { *this, "Combo1" };
    forms::FileList File1 { *this, "File1" };
    forms::DirList Dir1 { *this, "Dir1" };

    // The user edits the pattern box: the file list takes the text as its pattern.
    void Combo1_Change();
    // A drive is chosen: the directory list moves to it.
    void Drive1_Change();
    // The directory list moved: the file list follows, and the flag records the move.
    void Dir1_Change();
    // A file is clicked: preview it; a file that is no picture leaves the preview as it was.
    void File1_Click();
    // "OK": the preview goes into the current frame, the file's path into its path label. No
    // selection, or a file that is no picture, is refused and nothing changes.
    void Command1_Click();
    // "Cancel": back to the main window, nothing changed.
    void Command2_Click();
    // "Default": the current frame's path label names the selected file; no picture moves.
    // Refused, like "OK", without a selected picture file.
    void Command3_Click();

    forms::AccessibleText accessibleText(const forms::Control& control) const override;

private:
    // "OK" with several files selected: they go, in the list's order, into the current frame and
    // the frames after it, the animation growing when they run past its last frame.
    void loadSeveral();
    // The selected file's full name: the file list's directory, one separator, the file name.
    std::string selectedPath() const;
    // The main window's current frame, checked to exist before anything is changed.
    int currentFrame() const;
    // Keeps the preview inside its design box, shrinking a large picture to fit.
    void fitPreview();
    // Reads a picture file away from the user-interface thread. Empty when the user cancelled;
    // throws forms::Error naming the file and the cause when it is no picture.
    std::optional<forms::Picture> readPicture(const std::string& path);
    void showPreview(const std::string& path, const forms::Picture& picture);
    // The selected file's path once it is known to be a picture, which the preview then shows.
    // Throws forms::Error beginning with `refused` when no file is selected or the file is no
    // picture; empty when the user cancelled the reading.
    std::optional<std::string> checkedSelection(const std::string& refused);

    Movelle& m_app;
    // The file the preview shows, when the last file clicked did show; empty when it did not.
    std::optional<std::string> m_previewPath;
};

}
