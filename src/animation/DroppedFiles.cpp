// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "anifile/Excerpt.h"
#include "dialogs/Form4.h"
#include "dialogs/PictureFiles.h"
#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/FileSystem.h"
#include "forms/NumericText.h"
#include "forms/Progress.h"
#include "shell/Importer.h"
#include "shell/Movelle.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace movelle {

namespace {

using forms::Error;
using forms::ErrorKind;
using forms::FileSystem;

constexpr std::size_t kPathExcerpt = 120;

std::string fileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

bool isAnimationFile(const std::string& path)
{
    return FileSystem::matches(fileName(path), "*.ani");
}

}

void Form1::filesDropped(const std::vector<std::string>& paths, forms::Control* target)
{
    if (paths.empty())
        return;

    // An animation file opens as Files > Open opens it, with the same checks and messages.
    const auto animation = std::find_if(paths.begin(), paths.end(), isAnimationFile);
    if (animation != paths.end()) {
        if (paths.size() > 1) {
            throw Error(ErrorKind::FileError,
                        "Nothing was changed: the animation " + anifile::excerpt(*animation, kPathExcerpt)
                            + " opens on its own. Drop it without other files.");
        }
        // What the open would replace is asked about first, as before any other discard.
        askBeforeDiscarding("before opening " + anifile::excerpt(*animation, kPathExcerpt),
                            [this, path = *animation] { m_app.Form4().openAnimation(path); });
        return;
    }

    // The frame button the files were dropped on, if any.
    std::optional<int> button;
    for (int i = 0; i < Command1.size(); ++i) {
        if (target && Command1.exists(i) && &Command1(i) == target)
            button = i;
    }

    // An animated GIF or WebP or a video imports into a folder the user picks, and then fills
    // the frames as dropped pictures do. A still picture (a GIF of one frame too) stays a picture.
    Importer* importer = m_app.importer();
    std::error_code error;
    if (paths.size() == 1 && importer && std::filesystem::is_regular_file(paths[0], error)
        && importer->isAnimation(paths[0])) {
        importDropped(paths[0], button);
        return;
    }

    // Pictures, and folders giving their pictures in natural order (walk2 before walk10).
    std::vector<std::string> pictures;
    std::vector<std::string> refused;
    for (const std::string& path : paths) {
        if (std::filesystem::is_directory(path, error)) {
            // A folder gives the files of the kinds of picture this program reads.
            std::vector<std::string> names = application().fileSystem().files(path, "*");
            std::erase_if(names, [](const std::string& name) { return !PictureFiles::isPictureName(name); });
            std::sort(names.begin(), names.end(), FileSystem::naturalLess);
            if (names.empty())
                refused.push_back(anifile::excerpt(path, kPathExcerpt) + ": a folder without pictures");
            for (const std::string& name : names)
                pictures.push_back(FileSystem::join(path, name));
        } else if (std::filesystem::is_regular_file(path, error) && PictureFiles::isPictureName(path)) {
            pictures.push_back(path);
        } else if (std::filesystem::is_regular_file(path, error) && importer && importer->isAnimation(path)) {
            refused.push_back(anifile::excerpt(path, kPathExcerpt) + ": an animation to import, which is dropped on its own");
        } else if (std::filesystem::exists(path, error)) {
            refused.push_back(anifile::excerpt(path, kPathExcerpt) + ": not a picture, a folder or an animation file");
        } else {
            refused.push_back(anifile::excerpt(path, kPathExcerpt) + ": not a file on this computer");
        }
    }
    if (!refused.empty()) {
        std::string message = "Nothing was changed: ";
        message += refused.size() == 1 ? "a dropped item cannot be used." : "some dropped items cannot be used.";
        for (const std::string& line : refused)
            message += "\n" + line;
        throw Error(ErrorKind::BadPicture, message);
    }

    // Dropped on a frame button, the pictures fill from that frame; elsewhere from the current
    // frame. With no frame set yet they make one, one frame per picture.
    const int first = droppedOnFrame(button);
    const std::string refusal = "The dropped pictures were not loaded";
    checkRoom(first, pictures.size(), refusal);
    const std::optional<std::vector<forms::Picture>> decoded = PictureFiles::read(application(), pictures, refusal);
    if (!decoded)
        return;
    putPictures(first, *decoded, pictures, refusal);
}

int Form1::droppedOnFrame(std::optional<int> button) const
{
    if (!framesBuilt())
        return 0;
    const int first = button ? *button : forms::roundToIndex(forms::leadingNumber(Label6.caption()));
    if (!Image1.exists(first) || !x.exists(first) || !Command1.exists(first)) {
        throw Error(ErrorKind::ElementMissing, "Nothing was changed: there is no frame " + std::to_string(first + 1)
                                                   + " to put the pictures into. Choose a frame button first.");
    }
    return first;
}

void Form1::importDropped(const std::string& path, std::optional<int> button)
{
    // The frames the import fills from its first on hold work of the user's: it is asked about
    // first, as before any other discard, and before a folder is chosen or a frame written.
    const int first = droppedOnFrame(button);
    bool replaces = false;
    for (int i = first; framesBuilt() && i < frameCount(); ++i)
        replaces = replaces || !x(i).caption().empty() || !Image1(i).picture().isNull();
    if (!replaces) {
        importInto(path, button);
        return;
    }
    askBeforeDiscarding("before importing " + anifile::excerpt(path, kPathExcerpt) + " over its frames",
                        [this, path, button] { importInto(path, button); });
}

void Form1::importInto(const std::string& path, std::optional<int> button)
{
    const std::string refusal = "The animation " + anifile::excerpt(path, kPathExcerpt) + " was not imported";
    const std::optional<std::string> folder = application().chooseFolder(
        "Import " + fileName(path) + " into a folder", std::filesystem::path(path).parent_path().string());
    if (!folder)
        return;

    // The import runs away from the window, behind the progress dialog with Cancel that an open
    // shows; a cancelled or failed one leaves no file and changes nothing.
    Importer::Frames frames;
    forms::Progress progress;
    bool finished = false;
    try {
        finished = application().runWithProgress("Importing " + anifile::excerpt(path, kPathExcerpt), progress,
                                                 [&] { frames = m_app.importer()->import(path, *folder, progress); });
    } catch (const Error& e) {
        // The engine's causes mostly name the file already; the message names it once.
        const std::string cause = e.what();
        const bool named = cause.find(path) != std::string::npos;
        throw Error(e.kind(), (named ? std::string("The animation was not imported") : refusal) + ": " + cause,
                    e.details());
    }
    if (!finished || frames.paths.empty())
        return;

    // The written frames are pictures like any dropped ones. Should they not reach the window
    // (a cancel while they load, a frame gone meanwhile), they are removed again.
    struct Written {
        const std::vector<std::string>* paths;
        bool kept = false;
        ~Written()
        {
            if (kept)
                return;
            std::error_code ignored;
            for (const std::string& frame : *paths)
                std::filesystem::remove(frame, ignored);
            if (!paths->empty())
                std::filesystem::remove(std::filesystem::path(paths->front()).parent_path(), ignored);
        }
    } written { &frames.paths };
    const int first = droppedOnFrame(button);
    const std::optional<std::vector<forms::Picture>> decoded = PictureFiles::read(application(), frames.paths, refusal);
    if (!decoded)
        return;
    // A new animation plays at the rate its frames had; frames put into one keep its rate.
    if (!framesBuilt())
        Text2.setText(forms::numberText(static_cast<double>(frames.rate)));
    putPictures(first, *decoded, frames.paths, refusal);
    written.kept = true;
}

}
