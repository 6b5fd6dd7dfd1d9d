// SPDX-License-Identifier: MIT
#include "dialogs/Form4.h"

#include "anifile/AniReader.h"
#include "anifile/FileNames.h"
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
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace movelle {

// An animation file, read and checked completely, with every picture decoded: everything the
// rebuild needs, so that the rebuild itself can no longer fail half way.
struct Form4::Animation {
    // The count and rate as the main window will show them (number text, or empty).
    std::string countText;
    std::string rateText;
    std::int64_t interval = 0;
    // The frames to build: the whole numbers i with 0 <= i <= count - 1.
    int frames = 0;
    // Per frame: the path its line gave (after looking beside the file for a moved picture), or
    // nothing when the file ended before the frame's line.
    std::vector<std::optional<std::string>> paths;
    // Per frame: the decoded picture; the empty picture for an empty path or no line.
    std::vector<forms::Picture> pictures;
};

namespace {

using forms::Error;
using forms::ErrorKind;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isBlankText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), isBlank);
}

// A field quoted in a message: a line of a hostile or broken file can be megabytes long, and a
// message box would spend minutes laying it out.
std::string quoted(const std::string& text)
{
    constexpr std::size_t shown = 60;
    if (text.size() <= shown)
        return "\"" + text + "\"";
    return "\"" + text.substr(0, shown) + "...\" (" + std::to_string(text.size()) + " characters)";
}

// "Frame 3", "Frames 2 and 5", "Frames 2, 5 and 7-9": one-based, as the frame buttons count.
std::string framesPhrase(const std::vector<int>& indexes)
{
    std::vector<std::string> runs;
    for (std::size_t k = 0; k < indexes.size();) {
        std::size_t end = k;
        while (end + 1 < indexes.size() && indexes[end + 1] == indexes[end] + 1)
            ++end;
        std::string run = std::to_string(indexes[k] + 1);
        if (end > k)
            run += (end == k + 1 ? ", " : "-") + std::to_string(indexes[end] + 1);
        runs.push_back(run);
        k = end + 1;
    }
    std::string phrase = indexes.size() == 1 ? "Frame " : "Frames ";
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (r > 0)
            phrase += r + 1 == runs.size() ? " and " : ", ";
        phrase += runs[r];
    }
    return phrase;
}

std::string readField(anifile::AniReader& reader)
{
    anifile::Result<std::string> field = reader.readField();
    if (!field)
        throw Error(ErrorKind::FileError, "The animation was not opened: " + field.error().message());
    return std::move(field).value();
}

// The picture a frame line names. When that file is gone, the animation has probably been moved
// together with its pictures, so a picture of the same name beside the animation file is taken
// instead. Paths written on Windows separate with backslashes; their last part is tried too.
std::string locatePicture(const std::string& path, const std::filesystem::path& animationDirectory)
{
    std::error_code error;
    if (path.empty() || std::filesystem::exists(path, error))
        return path;
    std::vector<std::string> names;
    for (const char* separators : { "/", "/\\" }) {
        const std::size_t cut = path.find_last_of(separators);
        std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
    for (const std::string& name : names) {
        const std::filesystem::path candidate = animationDirectory / name;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate.string();
    }
    // Nothing better: the decoder will say that the original file is missing.
    return path;
}

struct Decoded {
    forms::Picture picture;
    std::string error;
    bool failed = false;
};

// Decodes every file on `threads` threads (0: one per core), the calling thread among them. The
// decoder is safe on worker threads and Application::loadPicture only hands the call on, so the
// threads share nothing but the index of the next file.
// `framesOf[k]` is how many frames show file k: the progress counts frames, as the user does.
// Once the user cancels, no further file is started.
std::vector<Decoded> decodeAll(forms::Application& application, const std::vector<std::string>& files,
                               const std::vector<int>& framesOf, unsigned threads, forms::Progress& progress)
{
    std::vector<Decoded> results(files.size());
    std::atomic<std::size_t> next { 0 };
    auto work = [&] {
        for (std::size_t k = next++; k < files.size() && !progress.cancelled(); k = next++) {
            try {
                results[k].picture = application.loadPicture(files[k]);
            } catch (const std::exception& e) {
                // A forms::Error names the file and the cause; anything else (memory running out
                // on a huge picture) must still tell which file it was.
                results[k].error = dynamic_cast<const Error*>(&e) ? std::string(e.what())
                                                                  : "cannot read " + files[k] + ": " + e.what();
                results[k].failed = true;
            }
            progress.advance(framesOf[k]);
        }
    };

    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = std::min<std::size_t>(threads, files.size()) - (files.empty() ? 0 : 1);
    std::vector<std::jthread> workers;
    workers.reserve(helpers);
    for (std::size_t t = 0; t < helpers; ++t) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads than asked for only makes the open slower.
            break;
        }
    }
    work();
    return results;
}

// Reads the whole file and checks everything the rebuild would otherwise trip over later: the
// count, the rate, and every picture. Throws forms::Error naming the file and every cause. Runs
// away from the user-interface thread; after a cancel what it returns is incomplete and unused.
Form4::Animation readAnimation(forms::Application& application, const std::string& path, unsigned threads,
                               forms::Progress& progress)
{
    anifile::Result<anifile::AniReader> opened = anifile::AniReader::open(path);
    if (!opened)
        throw Error(ErrorKind::FileError, "The animation was not opened: " + opened.error().message());
    anifile::AniReader& reader = opened.value();

    Form4::Animation animation;
    const std::string count = readField(reader);
    const std::string rate = readField(reader);

    double frames = 0;
    if (!isBlankText(count)) {
        double value = 0;
        try {
            value = forms::strictNumber(count);
        } catch (const Error&) {
            throw Error(ErrorKind::TypeMismatch,
                        "The animation was not opened: the frame count " + quoted(count) + " in " + path
                            + " is not a number.");
        }
        animation.countText = forms::numberText(value);
        // The frames are counted from the text the count box will hold, as the frame buttons are.
        frames = forms::leadingNumber(animation.countText);
        if (frames - 1 > forms::ControlArrayBase::kMaxIndex) {
            throw Error(ErrorKind::Overflow,
                        "The animation was not opened: the frame count " + animation.countText + " in " + path
                            + " is larger than " + std::to_string(forms::ControlArrayBase::kMaxIndex + 1)
                            + ", the most frames an animation can have.");
        }
    }
    animation.frames = frames >= 1 ? static_cast<int>(std::floor(frames)) : 0;

    if (isBlankText(rate)) {
        throw Error(ErrorKind::TypeMismatch,
                    "The animation was not opened: the rate line of " + path
                        + " is empty; it must give the milliseconds per picture.");
    }
    double rateValue = 0;
    try {
        rateValue = forms::strictNumber(rate);
    } catch (const Error&) {
        throw Error(ErrorKind::TypeMismatch,
                    "The animation was not opened: the rate " + quoted(rate) + " in " + path + " is not a number.");
    }
    animation.rateText = forms::numberText(rateValue);
    // The playback timer gets the rate box's text, rounded; it must accept the result.
    const double interval = forms::roundHalfEven(forms::strictNumber(animation.rateText));
    if (!(interval >= 0 && interval <= 65535)) {
        throw Error(ErrorKind::OutOfRange,
                    "The animation was not opened: the rate " + animation.rateText + " in " + path
                        + " is out of range; it must lie between 0 and 65535 milliseconds per picture.");
    }
    animation.interval = static_cast<std::int64_t>(interval);

    const std::filesystem::path directory = std::filesystem::path(path).parent_path();
    animation.paths.resize(static_cast<std::size_t>(animation.frames));
    for (auto& line : animation.paths) {
        if (reader.atEnd())
            break;
        line = locatePicture(readField(reader), directory);
    }

    // One decode per file, however many frames show it.
    std::vector<std::string> files;
    std::map<std::string, std::size_t> fileIndex;
    std::vector<std::size_t> fileOfFrame(animation.paths.size(), 0);
    std::vector<int> framesOf;
    for (std::size_t i = 0; i < animation.paths.size(); ++i) {
        const std::optional<std::string>& line = animation.paths[i];
        if (!line || line->empty())
            continue;
        auto [it, added] = fileIndex.emplace(*line, files.size());
        if (added) {
            files.push_back(*line);
            framesOf.push_back(0);
        }
        fileOfFrame[i] = it->second;
        ++framesOf[it->second];
    }
    progress.setTotal(static_cast<int>(std::count_if(animation.paths.begin(), animation.paths.end(),
                                                     [](const auto& line) { return line && !line->empty(); })));
    const std::vector<Decoded> decoded = decodeAll(application, files, framesOf, threads, progress);
    if (progress.cancelled())
        return animation;

    // The frames that show each unreadable file, so that one line of the message names them all.
    std::map<std::size_t, std::vector<int>> failures;
    std::size_t failedFrames = 0;
    animation.pictures.resize(animation.paths.size());
    for (std::size_t i = 0; i < animation.paths.size(); ++i) {
        const std::optional<std::string>& line = animation.paths[i];
        if (!line || line->empty())
            continue;
        const Decoded& result = decoded[fileOfFrame[i]];
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
        std::vector<std::pair<int, std::size_t>> byFirstFrame;
        for (const auto& [file, frameIndexes] : failures)
            byFirstFrame.emplace_back(frameIndexes.front(), file);
        std::sort(byFirstFrame.begin(), byFirstFrame.end());
        for (const auto& [first, file] : byFirstFrame)
            message += "\n" + framesPhrase(failures[file]) + ": " + decoded[file].error;
        throw Error(ErrorKind::BadPicture, message);
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
    const std::string path = anifile::openFileName(Dir1.path(), Text1.text());

    movelle::Form1& main = m_app.Form1();
    // The rebuild adds frames to element 0 and cannot merge them into a set that exists.
    if (main.Image1.size() > 1 || main.Command1.size() > 1 || main.x.size() > 1) {
        throw Error(ErrorKind::ElementExists,
                    "The animation " + path + " was not opened: the main window holds an animation of "
                        + std::to_string(main.Image1.count())
                        + " frames already. Choose \"&New\" in the Files menu first, then open it again.");
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
    const int frames = animation.frames;
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
        const std::optional<std::string>& line = animation.paths[static_cast<std::size_t>(i)];
        if (!line)
            continue;
        main.Image1(i).setPicture(animation.pictures[static_cast<std::size_t>(i)]);
        main.x(i).setCaption(*line);
    }

    main.Text1.setText(animation.countText);
    main.Text2.setText(animation.rateText);

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
    main.state.setCaption("open");
    main.Timer1.setInterval(animation.interval);
}

}
