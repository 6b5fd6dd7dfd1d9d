// SPDX-License-Identifier: MIT
#include "dialogs/Form2.h"

#include "anifile/Excerpt.h"
#include "dialogs/PictureFiles.h"
#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/FileSystem.h"
#include "forms/NumericText.h"
#include "forms/Picture.h"
#include "forms/Progress.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace movelle {

namespace {

// The preview's box as the dialog was designed; pictures are never drawn larger than this.
constexpr float kPreviewLeft = 120;
constexpr float kPreviewTop = 120;
constexpr float kPreviewWidth = 3975;
constexpr float kPreviewHeight = 1695;

}

Form2::Form2(forms::Application& application)
    : Window(application, "Form2")
    , m_app(static_cast<Movelle&>(application))
{
    setCaption("Load Frame");
    setClientSize(5490, 3915);

    // The preview is drawn scaled to its control's size, and fitPreview() gives the control a
    // picture's own size, or less when the picture is larger than the box. A picture taking its
    // own size unchecked would cover the lists and buttons.
    Image1.setGeometry(kPreviewLeft, kPreviewTop, kPreviewWidth, kPreviewHeight);
    Image1.setBorderStyle(0);
    Image1.setStretch(true);

    Label2.setGeometry(4200, 240, 45, 195);
    Label2.setAutoSize(true);

    Command3.setCaption("Default");
    Command3.setGeometry(4560, 240, 855, 375);
    Command1.setCaption("OK");
    Command1.setGeometry(4560, 720, 855, 375);
    Command2.setCaption("Cancel");
    Command2.setGeometry(4560, 1200, 855, 375);

    Label3.setCaption("0");
    Label3.setGeometry(5400, 1800, 1215, 495);
    Label3.setVisible(false);

    Drive1.setGeometry(240, 1920, 1215, 315);
    Label1.setCaption("Pattern :");
    Label1.setGeometry(2400, 1920, 600, 315);
    Label1.setAutoSize(true);
    Combo1.setText("*.bmp");
    Combo1.setGeometry(3120, 1920, 1215, 315);

    File1.setGeometry(120, 2400, 1695, 1455);
    // Blank before each ";" as designed; the list ignores blanks around a pattern. Until the
    // user edits the pattern box, every picture kind shows, not only the "*.bmp" it reads.
    File1.setPattern("*.bmp ;*.gif ;*.jpg ;*.ico ;*.wmf ;*.emf ;*.jpeg ;*.pcx ;*.tiff ;*.aiff ;*.dib ;*.xbm");
    // Several files at once fill the current frame and the frames after it.
    File1.setMultiSelect(true);
    Dir1.setGeometry(1920, 2400, 2535, 1440);

    setTabOrder({ &File1, &Drive1, &Dir1, &Label2, &Command1, &Command2, &Label3, &Combo1, &Label1, &Command3 });

    Combo1.onChange = [this] { Combo1_Change(); };
    Drive1.onChange = [this] { Drive1_Change(); };
    Dir1.onChange = [this] { Dir1_Change(); };
    File1.onClick = [this] { File1_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    Command3.onClick = [this] { Command3_Click(); };
}

void Form2::load()
{
    // The root stands for the drive root the dialog always started from.
    application().fileSystem().setCurrentDirectory(application().fileSystem().root());
    for (const char* pattern : { "*.bmp", "*.gif", "*.ico", "*.cur", "*.wmf", "*.emf", "*.jpg", "*.*" })
        Combo1.addItem(pattern);
}

void Form2::Combo1_Change()
{
    File1.setPattern(Combo1.text());
}

void Form2::Drive1_Change()
{
    Dir1.setPath(Drive1.drive());
}

void Form2::Dir1_Change()
{
    File1.setPath(Dir1.path());
    Label3.setCaption("1");
}

void Form2::File1_Click()
{
    // A file that cannot be read as a picture ends the preview silently: the user simply
    // picks another, and the previous preview stays. That preview no longer shows the selected
    // file, which "OK" must know. A cancelled preview, like a failed one, keeps the previous one.
    const std::string path = selectedPath();
    m_previewPath.reset();
    std::optional<forms::Picture> picture;
    try {
        picture = readPicture(path);
    } catch (const forms::Error&) {
        return;
    }
    if (picture)
        showPreview(path, *picture);
}

void Form2::Command1_Click()
{
    if (File1.selectedFiles().size() > 1) {
        loadSeveral();
        return;
    }
    const int i = currentFrame();
    Form1& main = m_app.Form1();
    // The frame's picture and its path must name the same picture file, or a saved animation
    // would hold a path that does not open: no selection (a directory changed after the preview
    // clears it) and a file that is no picture are refused before anything changes.
    const std::optional<std::string> path
        = checkedSelection("The picture was not put into frame " + std::to_string(i + 1));
    if (!path)
        return;
    // The decoded picture is handed over, not read again from the file.
    main.Image1(i).setPicture(Image1.picture());
    main.x(i).setCaption(*path);
    // The filled frame's path is the one the main window shows among the stacked labels.
    main.x(i).bringToFront();
    main.markUnsaved();
    hide();
    main.show();
}

void Form2::loadSeveral()
{
    const int first = currentFrame();
    Form1& main = m_app.Form1();
    std::vector<std::string> paths;
    for (const std::string& name : File1.selectedFiles())
        paths.push_back(forms::FileSystem::join(File1.path(), name));

    // Every file is read before the main window is touched; a cancel or a bad file changes nothing.
    // Too many for any animation are refused before a single one is read.
    const std::string refusal = "The pictures were not loaded";
    main.checkRoom(first, paths.size(), refusal);
    const std::optional<std::vector<forms::Picture>> pictures = PictureFiles::read(application(), paths, refusal);
    if (!pictures)
        return;

    // More files than frames from the current one on: the animation grows to hold them; with no
    // frame set yet one is built. Either way the window ends as "Settings finished" leaves it.
    main.putPictures(first, *pictures, paths, refusal);
    hide();
    main.show();
}

void Form2::Command2_Click()
{
    hide();
    m_app.Form1().show();
}

void Form2::Command3_Click()
{
    const int i = currentFrame();
    // Only a path that opens again is recorded; the frame's picture stays as it was.
    const std::optional<std::string> path
        = checkedSelection("No path was recorded for frame " + std::to_string(i + 1));
    if (!path)
        return;
    Form1& main = m_app.Form1();
    main.x(i).setCaption(*path);
    main.markUnsaved();
    Label3.setCaption("0");
}

std::optional<forms::Picture> Form2::readPicture(const std::string& path)
{
    // A slow picture is read away from the user-interface thread, behind a progress dialog with
    // Cancel.
    forms::Picture picture;
    forms::Progress progress;
    progress.setTotal(1);
    const bool finished = application().runWithProgress("Loading " + path, progress, [&] {
        picture = application().loadPicture(path);
        progress.advance();
    });
    if (!finished)
        return std::nullopt;
    return picture;
}

void Form2::showPreview(const std::string& path, const forms::Picture& picture)
{
    Image1.setPicture(picture);
    m_previewPath = path;
    fitPreview();
}

std::optional<std::string> Form2::checkedSelection(const std::string& refused)
{
    if (File1.fileName().empty()) {
        throw forms::Error(forms::ErrorKind::BadPicture,
                           refused + ": no file is selected in " + anifile::excerpt(File1.path(), 200)
                               + ". Choose a picture file in the list first.");
    }
    const std::string path = selectedPath();
    if (m_previewPath == path)
        return path;
    // The preview does not show the selected file (it did not read, or its reading was
    // cancelled): it is read once more, the same bounded way, and shown when it reads.
    std::optional<forms::Picture> picture;
    try {
        picture = readPicture(path);
    } catch (const forms::Error& e) {
        std::string cause = e.what();
        if (const std::size_t at = cause.find(path); at != std::string::npos)
            cause.replace(at, path.size(), anifile::excerpt(path, 200));
        throw forms::Error(forms::ErrorKind::BadPicture,
                           refused + ": " + anifile::excerpt(path, 200)
                               + " is not a picture this program can read (" + cause + ").");
    }
    if (!picture)
        return std::nullopt;
    showPreview(path, *picture);
    return path;
}

std::string Form2::selectedPath() const
{
    // The flag in Label3 still records whether the user moved away from the starting directory,
    // but it no longer decides how the name is built: a bare file name resolved against the
    // current directory, or a directory and file name run together, name the selected file only
    // at the root. The file list's directory with one separator always does.
    return forms::FileSystem::join(File1.path(), File1.fileName());
}

int Form2::currentFrame() const
{
    const Form1& main = m_app.Form1();
    const int i = forms::roundToIndex(main.selectedFrame());
    // After "New" the selected frame may be gone; refuse before anything changes, so neither the
    // frame picture nor the path label is half written.
    if (!main.Image1.exists(i) || !main.x.exists(i)) {
        throw forms::Error(forms::ErrorKind::ElementMissing,
                           "There is no frame " + std::to_string(i + 1)
                               + " to put the picture into. Press \"Settings finished\" and choose a frame button first.");
    }
    return i;
}

void Form2::fitPreview()
{
    const forms::Picture& picture = Image1.picture();
    const float width = static_cast<float>(picture.width()) * forms::kTwipsPerPixel;
    const float height = static_cast<float>(picture.height()) * forms::kTwipsPerPixel;
    if (width <= 0 || height <= 0)
        return;
    const float scale = std::min({ 1.0f, kPreviewWidth / width, kPreviewHeight / height });
    Image1.setGeometry(kPreviewLeft, kPreviewTop, width * scale, height * scale);
}

forms::AccessibleText Form2::accessibleText(const forms::Control& control) const
{
    if (&control == &Image1)
        return { "Preview", {} };
    if (&control == &Combo1)
        return { "Pattern", {} };
    if (&control == &Label2)
        return { {}, "Index of the frame that receives the picture" };
    return {};
}

}
