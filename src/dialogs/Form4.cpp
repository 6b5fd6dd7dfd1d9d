// SPDX-License-Identifier: MIT
#include "dialogs/Form4.h"

#include "anifile/Excerpt.h"
#include "anifile/FileNames.h"
#include "dialogs/AnimationFile.h"
#include "dialogs/PictureFiles.h"
#include "forms/Application.h"
#include "forms/ControlArray.h"
#include "forms/Error.h"
#include "forms/NumericText.h"
#include "forms/Picture.h"
#include "forms/Progress.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace movelle {

// An animation file, read and checked completely, with every picture decoded: everything the
// rebuild needs, so that the rebuild itself can no longer fail half way.
struct Form4::Animation {
    AnimationFile file;
    // Per frame: the decoded picture; the empty picture for an empty path or no line.
    std::vector<forms::Picture> pictures;
};

namespace {

using forms::Error;
using forms::ErrorKind;

// How many unreadable files a failed open names in its message; the details name them all.
constexpr std::size_t kListedFiles = 8;

// How many characters of a picture's path a message shows: enough for any ordinary path, while
// a longer one keeps its beginning and its file name.
constexpr std::size_t kPathExcerpt = 120;

// Reads the whole file and checks everything the rebuild would otherwise trip over later: the
// count, the rate, and every picture. Throws forms::Error naming the file and every cause. Runs
// away from the user-interface thread; after a cancel what it returns is incomplete and unused.
Form4::Animation readAnimation(forms::Application& application, const std::string& path, unsigned threads,
                               forms::Progress& progress)
{
    Form4::Animation animation;
    try {
        animation.file = AnimationFile::read(path);
    } catch (const Error& e) {
        throw Error(e.kind(), std::string("The animation was not opened: ") + e.what() + ".");
    }
    const auto& paths = animation.file.paths;

    // One decode per file, however many frames show it.
    std::vector<std::string> files;
    std::map<std::string, std::size_t> fileIndex;
    std::vector<std::size_t> fileOfFrame(paths.size(), 0);
    std::vector<int> framesOf;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::optional<std::string>& line = paths[i];
        if (!line || line->empty())
            continue;
        auto [it, added] = fileIndex.emplace(*line, files.size());
        if (added) {
            files.push_back(*line);
            framesOf.push_back(0);
        }
        ++framesOf[it->second];
        fileOfFrame[i] = it->second;
    }
    progress.setTotal(static_cast<int>(std::count_if(paths.begin(), paths.end(),
                                                     [](const auto& line) { return line && !line->empty(); })));
    std::vector<PictureFiles::Decoded> decoded = PictureFiles::decodeAll(application, files, framesOf, threads, progress);
    if (progress.cancelled())
        return animation;
    // A path from the file is named short and escaped in the message, however long or odd the
    // line that gave it.
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (const std::size_t at = decoded[k].error.find(files[k]); at != std::string::npos)
            decoded[k].error.replace(at, files[k].size(), anifile::excerpt(files[k], kPathExcerpt));
    }

    // The frames that show each unreadable file, so that one line of the message names them all.
    std::map<std::size_t, std::vector<int>> failures;
    std::size_t failedFrames = 0;
    animation.pictures.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::optional<std::string>& line = paths[i];
        if (!line || line->empty())
            continue;
        const PictureFiles::Decoded& result = decoded[fileOfFrame[i]];
        if (result.failed) {
            failures[fileOfFrame[i]].push_back(static_cast<int>(i));
            ++failedFrames;
        } else {
            animation.pictures[i] = result.picture;
        }
    }
    if (!failures.empty()) {
        std::string message = "The animation was not opened: the "
            + (failedFrames == 1 ? std::string("picture of 1 frame") : "pictures of " + std::to_string(failedFrames) + " frames")
            + " of " + path + " cannot be read, so nothing was changed.";
        // Memory that runs out is the animation's, not each picture's: said once, with what the
        // pictures need, rather than as hundreds of lines that all say the same.
        const bool onlyMemory = std::all_of(failures.begin(), failures.end(),
                                            [&](const auto& failure) { return decoded[failure.first].outOfMemory; });
        if (onlyMemory) {
            std::int64_t needed = 0;
            for (const PictureFiles::Decoded& result : decoded) {
                needed += result.failed ? result.bytesNeeded
                                        : std::int64_t(result.picture.width()) * result.picture.height() * 4;
            }
            message = "The animation was not opened: " + path
                + " does not fit the memory available. Its pictures need about "
                + std::to_string((needed + (1 << 20) - 1) >> 20) + " MB decoded, and "
                + (failedFrames == 1 ? std::string("1 frame's picture") : std::to_string(failedFrames) + " frames' pictures")
                + " could not be decoded, so nothing was changed. Free memory, or open it where more is available.";
            std::string details;
            for (const auto& [file, frameIndexes] : failures)
                details += (details.empty() ? "" : "\n") + AnimationFile::framesPhrase(frameIndexes) + ": " + decoded[file].error;
            throw Error(ErrorKind::OutOfMemory, message, details);
        }
        std::vector<std::pair<int, std::size_t>> byFirstFrame;
        for (const auto& [file, frameIndexes] : failures)
            byFirstFrame.emplace_back(frameIndexes.front(), file);
        std::sort(byFirstFrame.begin(), byFirstFrame.end());
        // The message names the first few files; the details list every one of them.
        std::string details;
        std::size_t listedFrames = 0;
        for (std::size_t k = 0; k < byFirstFrame.size(); ++k) {
            const std::size_t file = byFirstFrame[k].second;
            const std::string line = AnimationFile::framesPhrase(failures[file]) + ": " + decoded[file].error;
            details += (k > 0 ? "\n" : "") + line;
            if (k < kListedFiles) {
                message += "\n" + line;
                listedFrames += failures[file].size();
            }
        }
        if (byFirstFrame.size() <= kListedFiles)
            details.clear();
        else
            message += "\nand " + std::to_string(failedFrames - listedFrames)
                + (failedFrames - listedFrames == 1 ? " more frame." : " more frames.");
        throw Error(ErrorKind::BadPicture, message, details);
    }
    return animation;
}

}

Form4::Form4(forms::Application& application)
    : AniFileDialog(application, "Form4", "Open Screen", 5370, 3885, ":/icons/open.svg")
{
    // The name box comes first, so the dialog opens ready for typing a name.
    setTabOrder({ &Text1, &File1, &Drive1, &Dir1, &Command1, &Command2, &Label2, &Label1 });

    File1.onClick = [this] { File1_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
}

void Form4::File1_Click()
{
    Text1.setText(File1.fileName());
}

// "OK": reads the animation file and rebuilds the main window's frame set from it. The file is
// read and every picture decoded before the main window is touched, so a bad file, a missing
// picture or a rate the timer refuses leaves the main window exactly as it was.
void Form4::Command1_Click()
{
    if (Text1.text().empty())
        return;
    std::string path = anifile::openFileName(Dir1.path(), Text1.text());
    // The dialog's remark promises the extension is added: a name typed without it opens the
    // file of that name when there is one, and otherwise the file with ".ani" added.
    if (std::error_code error; !std::filesystem::is_regular_file(path, error)) {
        const std::string withExtension = anifile::saveFileName(Dir1.path(), Text1.text());
        if (std::filesystem::is_regular_file(withExtension, error))
            path = withExtension;
    }
    openAnimation(path);
}

void Form4::openAnimation(const std::string& path)
{
    movelle::Form1& main = m_app.Form1();
    // The rebuild adds frames to element 0 and cannot merge them into a set that exists.
    if (main.Image1.size() > 1 || main.Command1.size() > 1 || main.x.size() > 1) {
        throw Error(ErrorKind::ElementExists,
                    "The animation " + path + " was not opened: the main window holds an animation of "
                        + std::to_string(main.Image1.count())
                        + " frames already. Choose \"" + main.fn.shownCaption() + "\" in the "
                        + main.f.shownCaption() + " menu first, then open it again.");
    }

    // Reading and decoding run away from the user-interface thread, behind a progress dialog with
    // Cancel when they last; the main window takes no input meanwhile. A cancelled open, like a
    // failed one, changes nothing.
    forms::Progress progress;
    std::optional<Animation> animation;
    const bool finished = application().runWithProgress("Opening " + path, progress, [&] {
        animation = readAnimation(application(), path, m_decodingThreads, progress);
    });
    if (!finished || !animation)
        return;
    rebuild(main, *animation);
}

// The rebuild proper, in the order the frame set is always built: pictures and path labels,
// their contents, the count and rate, the buttons, enabling, and the rate last.
void Form4::rebuild(movelle::Form1& main, const Animation& animation)
{
    const int frames = animation.file.frames;
    for (int i = 1; i < frames; ++i) {
        main.Image1.load(i);
        forms::Image& picture = main.Image1(i);
        picture.setVisible(true);
        picture.setTop(main.Image1(i - 1).top());
        picture.setLeft(main.Image1(i - 1).left());

        main.x.load(i);
        forms::Label& label = main.x(i);
        label.setVisible(true);
        label.setTop(main.x(i - 1).top());
        label.setLeft(main.x(i - 1).left());
    }

    // A frame past the file's last line keeps what it took over from element 0.
    for (int i = 0; i < frames; ++i) {
        const std::optional<std::string>& line = animation.file.paths[static_cast<std::size_t>(i)];
        if (!line)
            continue;
        main.Image1(i).setPicture(animation.pictures[static_cast<std::size_t>(i)]);
        main.x(i).setCaption(*line);
    }

    main.Text1.setText(animation.file.countText);
    main.Text2.setText(animation.file.rateText);

    for (int i = 1; i < frames; ++i) {
        main.Command1.load(i);
        forms::CommandButton& button = main.Command1(i);
        const forms::CommandButton& previous = main.Command1(i - 1);
        button.setVisible(true);
        button.setTop(previous.top());
        button.setLeft(previous.left() + 500);
        button.setCaption(forms::numberText(forms::leadingNumber(previous.caption()) + 1));
        if (i % 8 == 0) {
            // Every eighth button starts a new row directly below the previous one.
            button.setTop(previous.top() + previous.height());
            button.setLeft(main.Command1(0).left());
        }
    }

    for (int i = 0; i < frames; ++i) {
        main.Command1(i).setEnabled(true);
        main.Image1(i).setEnabled(true);
        main.x(i).setEnabled(true);
    }
    for (forms::CommandButton* button : { &main.Command9, &main.Command10, &main.Command11, &main.Command13,
                                          &main.Command3, &main.Command4, &main.Command5, &main.Command6,
                                          &main.Command7, &main.Command8 })
        button->setEnabled(true);
    main.Timer2.setEnabled(true);

    hide();
    main.show();
    main.setOpenedFromFile(true);
    main.Timer1.setInterval(animation.file.interval);
    // The animation is as its file has it: nothing to lose yet.
    main.markSaved();
}

}
