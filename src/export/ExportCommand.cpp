// SPDX-License-Identifier: MIT
#include "export/ExportCommand.h"

#include "anifile/Excerpt.h"
#include "dialogs/AnimationFile.h"
#include "export/ExportError.h"
#include "export/ExportOptions.h"
#include "export/FrameSource.h"
#include "export/GifEncoder.h"
#include "export/OutputFile.h"
#include "export/PngSequenceEncoder.h"
#include "export/Progress.h"
#include "export/StopSignals.h"
#include "export/VideoEncoder.h"
#include "export/WebpEncoder.h"

#include <QImage>

#include <cmath>
#include <map>
#include <memory>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace exporter {

namespace {

std::unique_ptr<FrameEncoder> makeEncoder(const ExportOptions& options, const FrameSource& source,
                                          const std::string& temporary, const std::string& pattern)
{
    const int width = source.size().width();
    const int height = source.size().height();
    switch (options.kind) {
    case OutputKind::Gif:
        return GifEncoder::create(temporary, width, height,
                                  GifEncoder::Settings { options.quality.value_or(100), options.dither, 0 });
    case OutputKind::Webp:
        return WebpEncoder::create(temporary, width, height, options.quality);
    case OutputKind::Mp4:
    case OutputKind::Webm: {
        VideoEncoder::Settings settings;
        settings.codec = options.kind == OutputKind::Mp4 ? VideoEncoder::Codec::H264 : VideoEncoder::Codec::Vp9;
        if (options.fps) {
            // Thousandths of a frame per second are as fine as anyone asks for (29.97).
            settings.rateNumerator = std::llround(*options.fps * 1000);
            settings.rateDenominator = 1000;
        } else {
            settings.rateNumerator = 1000;
            settings.rateDenominator = source.interval();
        }
        return VideoEncoder::create(temporary, width, height, settings);
    }
    case OutputKind::PngSequence:
        break;
    }
    return PngSequenceEncoder::create(temporary, pattern);
}

// Whether `name` is one of the files of the numbered sequence that `pattern` writes (from 1 on).
// A folder output owns every "frame" + number + ".png" of four digits or more, since the width
// grows with the frame count; a pattern owns exactly the names it gives.
bool ownedBySequence(const std::string& pattern, bool folder, std::string_view name)
{
    if (folder) {
        if (!name.starts_with("frame") || !name.ends_with(".png") || name.size() < 5 + 4 + 4)
            return false;
        const std::string_view number = name.substr(5, name.size() - 9);
        return number.size() <= 9 && number.find_first_not_of("0123456789") == std::string_view::npos
            && number.find_first_not_of('0') != std::string_view::npos;
    }
    // The text before the number is what the pattern gives before its conversion ("%%" is one
    // percent sign); the number is digits, perhaps padded with spaces.
    std::string prefix;
    for (std::size_t i = 0; i < pattern.size() && !(pattern[i] == '%' && pattern[i + 1] != '%'); ++i) {
        prefix.push_back(pattern[i]);
        if (pattern[i] == '%')
            ++i;
    }
    if (!name.starts_with(prefix))
        return false;
    std::size_t end = prefix.size();
    while (end < name.size() && name[end] == ' ')
        ++end;
    long number = 0;
    std::size_t figures = 0;
    while (end < name.size() && name[end] >= '0' && name[end] <= '9' && figures < 10) {
        number = number * 10 + (name[end++] - '0');
        ++figures;
    }
    return figures > 0 && figures < 10 && number >= 1
        && PngSequenceEncoder::fileName(pattern, static_cast<int>(number)) == name;
}

// An export must never destroy what it reads: the output (or a file of the sequence) may not be
// the animation or one of its pictures, however the path is spelled (another spelling, a link).
void refuseOwnFiles(const ExportOptions& options, const FrameSource& source, const OutputFile& output)
{
    const std::vector<std::string> replaced = output.replacedFiles();
    if (replaced.empty())
        return;
    std::map<std::pair<dev_t, ino_t>, std::string> read;
    auto identity = [](const std::string& path) -> std::optional<std::pair<dev_t, ino_t>> {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return std::nullopt;
        return std::make_pair(info.st_dev, info.st_ino);
    };
    if (const auto animation = identity(options.animation))
        read[*animation] = "it is the animation being exported";
    std::map<std::string, std::vector<int>> framesOf;
    for (int i = 0; i < source.frameCount(); ++i) {
        const std::string& path = source.framePaths()[static_cast<std::size_t>(i)];
        if (!path.empty())
            framesOf[path].push_back(i);
    }
    for (auto& [path, frames] : framesOf) {
        if (const auto picture = identity(path); picture && !read.contains(*picture)) {
            read[*picture] = "it is the picture of " + movelle::AnimationFile::framesPhrase(frames) + " of "
                + anifile::excerpt(options.animation, 120);
        }
    }
    for (const std::string& file : replaced) {
        const auto found = identity(file);
        if (!found || !read.contains(*found))
            continue;
        const std::string& named = options.kind == OutputKind::PngSequence ? file : output.target();
        throw ExportError(ExportError::Kind::Output,
                          "cannot write " + anifile::excerpt(named, 120) + ": " + read[*found]
                              + "; nothing was written");
    }
}

// Messages from the encoders name the file they write, which is the hidden temporary; the user
// knows the output.
std::string namingTheOutput(std::string message, const OutputFile& output)
{
    const std::string& temporary = output.temporary();
    // A folder named "seq/" holds seq/frame0001.png, not seq//frame0001.png.
    std::string target = output.target();
    while (target.size() > 1 && target.back() == '/')
        target.pop_back();
    const std::string shown = anifile::excerpt(target, 120);
    for (std::size_t at = message.find(temporary); at != std::string::npos;
         at = message.find(temporary, at + shown.size()))
        message.replace(at, temporary.size(), shown);
    return message;
}

// `watch` is the command's: it learns what to remove should it have to end the process. The
// window's export has none and stops through `stopRequested` alone.
void exportFrames(const ExportOptions& options, Progress& progress, const std::atomic<bool>& stopRequested,
                  StopSignals* watch)
{
    const bool video = options.kind == OutputKind::Mp4 || options.kind == OutputKind::Webm;
    bool checking = false;
    FrameSource source(options, stopRequested, video, [&progress, &checking](int checked, int total) {
        if (!checking)
            progress.start("Checking pictures", total);
        checking = true;
        progress.update(checked);
    });
    progress.finish();

    const bool sequence = options.kind == OutputKind::PngSequence;
    const bool folder = options.pngPattern.empty();
    const std::string pattern = folder ? PngSequenceEncoder::directoryPattern(source.frameCount()) : options.pngPattern;
    std::unique_ptr<OutputFile> output;
    if (sequence) {
        std::vector<std::string> names;
        for (int i = 1; i <= source.frameCount(); ++i)
            names.push_back(PngSequenceEncoder::fileName(pattern, i));
        output = std::make_unique<OutputFile>(options.pngDirectory, std::move(names),
                                              [pattern, folder](std::string_view name) {
                                                  return ownedBySequence(pattern, folder, name);
                                              });
    } else {
        output = std::make_unique<OutputFile>(options.output);
    }
    if (watch)
        watch->setTemporary(output->temporary());
    refuseOwnFiles(options, source, *output);

    try {
        const std::unique_ptr<FrameEncoder> encoder = makeEncoder(options, source, output->temporary(), pattern);
        progress.start("Exporting", source.frameCount());
        Frame frame;
        int done = 0;
        while (source.next(frame)) {
            encoder->addFrame(frame.image, frame.duration);
            progress.update(++done);
            if (stopRequested)
                throw ExportError(ExportError::Kind::Interrupted, "interrupted");
        }
        encoder->finish();
    } catch (const ExportError& e) {
        throw ExportError(e.kind(), namingTheOutput(e.what(), *output));
    } catch (const std::exception& e) {
        throw ExportError(ExportError::Kind::Output, namingTheOutput(e.what(), *output));
    }
    {
        std::mutex unwatched;
        std::lock_guard committing(watch ? watch->commitMutex() : unwatched);
        if (stopRequested)
            throw ExportError(ExportError::Kind::Interrupted, "interrupted");
        output->commit();
        if (watch)
            watch->committed();
    }
    progress.finish();
}

// The animation and the output named in a message, from whichever layer it comes, are echoed as
// short escaped excerpts: an argument can be 100,000 characters or hold control characters.
std::string shortened(std::string message, const ExportOptions& options)
{
    for (const std::string& argument : { options.animation, options.output }) {
        const std::string shown = anifile::excerpt(argument, 120);
        if (argument.empty() || shown == argument)
            continue;
        for (std::size_t at = message.find(argument); at != std::string::npos;
             at = message.find(argument, at + shown.size()))
            message.replace(at, argument.size(), shown);
    }
    return message;
}

}

ExportCommand::Status ExportCommand::run(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err)
{
    const ExportOptions::Parsed parsed = ExportOptions::parse(arguments);
    if (parsed.help) {
        std::fputs(ExportOptions::helpText().c_str(), out);
        return Done;
    }
    if (!parsed.usageError.empty()) {
        std::fprintf(err, "movelle export: %s\nTry 'movelle export --help'.\n", parsed.usageError.c_str());
        return Usage;
    }

    const bool terminal = ::isatty(::fileno(err)) == 1;
    StopSignals stopSignals(err, terminal && !parsed.options.quiet);
    Progress progress(parsed.options.quiet ? nullptr : err, terminal);
    try {
        struct Unwound {
            StopSignals& stops;
            ~Unwound() { stops.finished(); }
        } unwound { stopSignals };
        exportFrames(parsed.options, progress, stopSignals.stopRequested(), &stopSignals);
    } catch (const ExportError& e) {
        progress.finish();
        if (e.kind() == ExportError::Kind::Interrupted) {
            std::fprintf(err, "movelle export: interrupted; nothing was written\n");
            return Interrupted;
        }
        std::fprintf(err, "movelle export: %s\n", shortened(e.what(), parsed.options).c_str());
        return Failed;
    } catch (const std::exception& e) {
        progress.finish();
        std::fprintf(err, "movelle export: %s\n", shortened(e.what(), parsed.options).c_str());
        return Failed;
    }
    return Done;
}

std::string ExportCommand::exportForWindow(const std::vector<std::string>& arguments, const std::atomic<bool>& stop,
                                           const std::function<void(int, int)>& report)
{
    const ExportOptions::Parsed parsed = ExportOptions::parse(arguments);
    if (!parsed.usageError.empty())
        return parsed.usageError;
    Progress progress(nullptr, false);
    progress.setListener(report);
    try {
        exportFrames(parsed.options, progress, stop, nullptr);
    } catch (const std::exception& e) {
        return stop ? std::string() : shortened(e.what(), parsed.options);
    }
    return {};
}

}
