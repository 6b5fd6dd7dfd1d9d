// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "anifile/Excerpt.h"
#include "dialogs/Form4.h"
#include "dialogs/PictureFiles.h"
#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/FileSystem.h"
#include "forms/NumericText.h"
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

// The kinds of picture this program reads; a dropped folder gives the files of these kinds.
constexpr const char* kPicturePatterns
    = "*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.xbm;*.pcx;*.ico;*.cur;*.wmf;*.emf";
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

    // Pictures, and folders giving their pictures in natural order (walk2 before walk10).
    std::vector<std::string> pictures;
    std::vector<std::string> refused;
    for (const std::string& path : paths) {
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            std::vector<std::string> names = application().fileSystem().files(path, kPicturePatterns);
            std::sort(names.begin(), names.end(), FileSystem::naturalLess);
            if (names.empty())
                refused.push_back(anifile::excerpt(path, kPathExcerpt) + ": a folder without pictures");
            for (const std::string& name : names)
                pictures.push_back(FileSystem::join(path, name));
        } else if (std::filesystem::is_regular_file(path, error) && FileSystem::matches(fileName(path), kPicturePatterns)) {
            pictures.push_back(path);
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
    const bool built = framesBuilt();
    int first = 0;
    if (built) {
        first = forms::roundToIndex(forms::leadingNumber(Label6.caption()));
        for (int i = 0; i < Command1.size(); ++i) {
            if (Command1.exists(i) && &Command1(i) == target)
                first = i;
        }
        if (!Image1.exists(first) || !x.exists(first)) {
            throw Error(ErrorKind::ElementMissing,
                        "Nothing was changed: there is no frame " + std::to_string(first + 1)
                            + " to put the pictures into. Choose a frame button first.");
        }
    }
    const int count = static_cast<int>(pictures.size());
    // Refused before a single picture is read.
    if (first + count - 1 > kMaxFrameIndex) {
        throw Error(ErrorKind::Overflow, "Nothing was changed: the animation holds at most "
                                             + std::to_string(kMaxFrameIndex + 1) + " frames, and "
                                             + std::to_string(count) + " pictures were dropped.");
    }

    const std::optional<std::vector<forms::Picture>> decoded
        = PictureFiles::read(application(), pictures, "The dropped pictures were not loaded");
    if (!decoded)
        return;
    putPictures(first, *decoded, pictures, "The dropped pictures were not loaded");
}

}
