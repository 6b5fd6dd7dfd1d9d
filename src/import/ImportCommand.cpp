// SPDX-License-Identifier: MIT
#include "import/ImportCommand.h"

#include "import/AnimationDecoder.h"
#include "import/PictureSequence.h"

#include "anifile/AniWriter.h"
#include "anifile/Excerpt.h"
#include "dialogs/AnimationSettings.h"
#include "export/ExportCommand.h"
#include "export/ExportError.h"
#include "export/FrameSource.h"
#include "export/OutputFile.h"
#include "export/PngSequenceEncoder.h"
#include "export/Progress.h"
#include "export/StopSignals.h"
#include "forms/Error.h"
#include "pictures/PictureReader.h"

#include <QColor>
#include <QPainter>
#include <QString>

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include <unistd.h>

namespace importer {

namespace {

namespace fs = std::filesystem;
using exporter::ExportCommand;
using exporter::ExportError;

// The most frames an animation can have: its frame indexes run from 0 to 32767.
constexpr std::size_t maxFrames = 32768;

struct Options {
    std::string input;
    std::string output;
    std::optional<std::string> rate;
    bool quiet = false;
    bool help = false;
    std::string usageError;
};

Options parse(const std::vector<std::string>& arguments)
{
    Options options;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "--rate" || argument.starts_with("--rate=")) {
            if (argument == "--rate" && i + 1 == arguments.size()) {
                options.usageError = "--rate needs a number of milliseconds";
                return options;
            }
            options.rate = argument == "--rate" ? arguments[++i] : argument.substr(7);
        } else if (argument.starts_with("-") && argument != "-") {
            options.usageError = "unknown option " + anifile::quotedExcerpt(argument);
            return options;
        } else {
            positional.push_back(argument);
        }
    }
    if (options.help)
        return options;
    if (positional.size() != 2) {
        options.usageError = "expected INPUT and OUTPUT.ani";
        return options;
    }
    options.input = positional[0];
    options.output = positional[1];
    if (fs::path(options.output).extension() != ".ani")
        options.usageError = "the output " + anifile::quotedExcerpt(options.output) + " must be an animation file ending in .ani";
    if (options.rate) {
        try {
            movelle::AnimationSettings::check("1", *options.rate);
        } catch (const forms::Error& e) {
            options.usageError = "--rate " + anifile::quotedExcerpt(*options.rate) + " is no rate an animation can have";
        }
    }
    return options;
}

std::string tooMany(const std::string& input)
{
    return input + " has more than " + std::to_string(maxFrames) + " frames, more than an animation can hold";
}

// Pictures that already are files are checked as Open checks them and named where they lie.
std::vector<std::string> checkedSequence(const std::string& input, exporter::Progress& progress,
                                         const std::atomic<bool>& stop)
{
    std::vector<std::string> paths = PictureSequence::list(input);
    if (paths.size() > maxFrames)
        throw ExportError(ExportError::Kind::BadInput, tooMany(input));
    progress.start("Checking pictures", int(paths.size()));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const pictures::Result<QImage> read = pictures::readPicture(QString::fromStdString(paths[i]));
        if (!read)
            throw ExportError(ExportError::Kind::BadInput, read.error().text());
        progress.update(int(i + 1));
        if (stop)
            throw ExportError(ExportError::Kind::Interrupted, "interrupted");
    }
    progress.finish();
    return paths;
}

// Frames that are not files yet go to OUTPUT-frames/frame0001.png, ... beside the animation.
// "frame" and four digits or more, ".png": the names an import gives its frames.
bool isFrameName(std::string_view name)
{
    if (!name.starts_with("frame") || !name.ends_with(".png") || name.size() < 13)
        return false;
    const std::string_view digits = name.substr(5, name.size() - 9);
    return digits.find_first_not_of("0123456789") == std::string_view::npos;
}

// The folder is the import's own: an older import's frames in it are replaced whole.
// `watch` is the command's, which learns what to remove should it have to end the process; the
// window's import has none and stops through `stop` alone.
std::unique_ptr<exporter::OutputFile> writtenFrames(const std::string& input, const std::string& output,
                                                    std::vector<int>& durations, std::vector<std::string>& paths,
                                                    exporter::Progress& progress, const std::atomic<bool>& stop,
                                                    exporter::StopSignals* watch)
{
    const std::unique_ptr<AnimationDecoder> decoder = AnimationDecoder::open(input, stop);
    fs::path folder = fs::path(output);
    folder.replace_extension();
    folder += "-frames";
    auto frames = std::make_unique<exporter::OutputFile>(folder.string(), std::vector<std::string>(),
                                                         [](std::string_view name) { return isFrameName(name); });
    if (watch)
        watch->setTemporary(frames->temporary());
    const std::string pattern = exporter::PngSequenceEncoder::directoryPattern(decoder->expectedFrames());
    const std::unique_ptr<exporter::PngSequenceEncoder> encoder =
        exporter::PngSequenceEncoder::create(frames->temporary(), pattern, 0,
                                             exporter::PngSequenceEncoder::Compression::UpLevel2);

    progress.start("Importing", decoder->expectedFrames());
    std::vector<std::string> names;
    const fs::path absolute = fs::absolute(folder).lexically_normal();
    DecodedFrame frame;
    while (decoder->next(frame)) {
        if (paths.size() == maxFrames)
            throw ExportError(ExportError::Kind::BadInput, tooMany(input));
        if (frame.image.hasAlphaChannel()) {
            // The PNG writer keeps colour only: a see-through pixel shows the main window's grey,
            // as it does behind a picture in the window.
            QImage flat(frame.image.size(), QImage::Format_RGB32);
            flat.fill(QColor::fromRgb(exporter::FrameSource::defaultBackground));
            QPainter(&flat).drawImage(0, 0, frame.image);
            frame.image = std::move(flat);
        }
        encoder->addFrame(frame.image, frame.durationMs);
        durations.push_back(frame.durationMs);
        names.push_back(exporter::PngSequenceEncoder::fileName(pattern, int(names.size() + 1)));
        paths.push_back((absolute / names.back()).string());
        progress.update(int(paths.size()));
        if (stop)
            throw ExportError(ExportError::Kind::Interrupted, "interrupted");
    }
    if (paths.empty())
        throw ExportError(ExportError::Kind::BadInput, "cannot read " + input + ": it holds no frames");
    encoder->finish();
    frames->setNames(std::move(names));
    progress.finish();
    return frames;
}

void import(const Options& options, exporter::Progress& progress, exporter::StopSignals& watch)
{
    const std::atomic<bool>& stop = watch.stopRequested();
    std::error_code error;
    const bool sequence = fs::is_directory(options.input, error) || PictureSequence::isPattern(options.input);
    std::vector<int> durations;
    anifile::AniContent content;
    std::unique_ptr<exporter::OutputFile> frames;
    if (sequence)
        content.frames = checkedSequence(options.input, progress, stop);
    else
        frames = writtenFrames(options.input, options.output, durations, content.frames, progress, stop, &watch);
    content.countText = std::to_string(content.frames.size());
    content.rateText = options.rate ? *options.rate : std::to_string(ImportCommand::commonDuration(durations));
    if (const anifile::Result<void> checked = anifile::AniWriter::checkContent(options.output, content); !checked)
        throw ExportError(ExportError::Kind::Output, checked.error().message());

    // The frames and the animation land together: a stop now waits until both are in place.
    std::lock_guard committing(watch.commitMutex());
    if (stop)
        throw ExportError(ExportError::Kind::Interrupted, "interrupted");
    if (frames)
        frames->commit();
    if (const anifile::Result<void> saved = anifile::AniWriter::save(options.output, content); !saved)
        throw ExportError(ExportError::Kind::Output, saved.error().message());
    watch.committed();
}

}

int ImportCommand::commonDuration(const std::vector<int>& durations)
{
    std::map<int, int> counts;
    for (const int duration : durations) {
        if (duration > 0)
            ++counts[duration];
    }
    int best = 100;
    int bestCount = 0;
    for (const auto& [duration, count] : counts) {
        if (count > bestCount) {
            best = duration;
            bestCount = count;
        }
    }
    return std::min(best, 65535);
}

ImportCommand::Imported ImportCommand::importFrames(const std::string& input, const std::string& folder,
                                                    const std::atomic<bool>& stop,
                                                    const std::function<void(int done, int total)>& report)
{
    exporter::Progress progress(nullptr, false);
    progress.setListener(report);
    // The frames go where the command puts them beside an animation named after the input.
    const std::string output = (fs::path(folder) / fs::path(input).stem()).string() + ".ani";
    Imported imported;
    std::vector<int> durations;
    const std::unique_ptr<exporter::OutputFile> frames
        = writtenFrames(input, output, durations, imported.paths, progress, stop, nullptr);
    if (stop)
        throw ExportError(ExportError::Kind::Interrupted, "interrupted");
    frames->commit();
    imported.rate = commonDuration(durations);
    return imported;
}

std::string ImportCommand::helpText()
{
    return R"(Usage: movelle import INPUT OUTPUT.ani [options]

Makes an animation file from an animated GIF or WebP, a video, or numbered pictures.

INPUT is one of:
  walk.gif, walk.webp     an animated GIF or WebP
  walk.mp4, walk.webm...  a video FFmpeg can read
  frames/                 a folder: its pictures in natural order (walk2.png before walk10.png)
  frames/walk%04d.png     the files the numbered pattern names, in number order
Pictures that already are files are named where they lie. The frames of a GIF, a WebP or a video
are written as PNG pictures into OUTPUT-frames/ beside the animation (frame0001.png, ...). The
rate is the duration most frames have (100 ms for pictures, which have none).

Options:
  --rate MS   milliseconds per picture instead (1 to 65535)
  --quiet     no progress on standard error
  -h, --help  this text

An interrupted (Ctrl-C) or failed import leaves no file behind. Exit status: 0 done, 1 unreadable
input or unwritable output, 2 wrong arguments, 130 interrupted.
)";
}

int ImportCommand::run(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err)
{
    const Options options = parse(arguments);
    if (options.help) {
        std::fputs(helpText().c_str(), out);
        return ExportCommand::Done;
    }
    if (!options.usageError.empty()) {
        std::fprintf(err, "movelle import: %s\nTry 'movelle import --help'.\n", options.usageError.c_str());
        return ExportCommand::Usage;
    }
    const bool terminal = ::isatty(::fileno(err)) == 1;
    exporter::StopSignals stopSignals(err, terminal && !options.quiet, "import");
    exporter::Progress progress(options.quiet ? nullptr : err, terminal);
    try {
        struct Unwound {
            exporter::StopSignals& stops;
            ~Unwound() { stops.finished(); }
        } unwound { stopSignals };
        import(options, progress, stopSignals);
    } catch (const ExportError& e) {
        progress.finish();
        if (e.kind() == ExportError::Kind::Interrupted) {
            std::fprintf(err, "movelle import: interrupted; nothing was written\n");
            return ExportCommand::Interrupted;
        }
        std::fprintf(err, "movelle import: %s\n", e.what());
        return ExportCommand::Failed;
    } catch (const std::exception& e) {
        progress.finish();
        std::fprintf(err, "movelle import: %s\n", e.what());
        return ExportCommand::Failed;
    }
    return ExportCommand::Done;
}

}
