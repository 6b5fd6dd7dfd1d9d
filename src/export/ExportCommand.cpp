// SPDX-License-Identifier: MIT
#include "export/ExportCommand.h"

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

#include <atomic>
#include <cmath>
#include <memory>

#include <unistd.h>

namespace exporter {

namespace {

std::unique_ptr<FrameEncoder> makeEncoder(const ExportOptions& options, const FrameSource& source,
                                          const std::string& temporary)
{
    const int width = source.size().width();
    const int height = source.size().height();
    switch (options.kind) {
    case OutputKind::Gif:
        return std::make_unique<GifEncoder>(temporary, width, height,
                                            GifEncoder::Settings { options.quality.value_or(100), options.dither });
    case OutputKind::Webp:
        return std::make_unique<WebpEncoder>(temporary, width, height, options.quality);
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
        return std::make_unique<VideoEncoder>(temporary, width, height, settings);
    }
    case OutputKind::PngSequence:
        break;
    }
    const std::string pattern =
        options.pngPattern.empty() ? PngSequenceEncoder::directoryPattern(source.frameCount()) : options.pngPattern;
    return std::make_unique<PngSequenceEncoder>(temporary, pattern);
}

void exportFrames(const ExportOptions& options, Progress& progress, const std::atomic<bool>& stopRequested)
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
    OutputFile output(sequence ? options.pngDirectory : options.output,
                      sequence ? OutputFile::Type::Directory : OutputFile::Type::File);
    const std::unique_ptr<FrameEncoder> encoder = makeEncoder(options, source, output.temporary());

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
    if (stopRequested)
        throw ExportError(ExportError::Kind::Interrupted, "interrupted");
    output.commit();
    progress.finish();
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

    const StopSignals stopSignals;
    Progress progress(parsed.options.quiet ? nullptr : err, ::isatty(::fileno(err)) == 1);
    try {
        exportFrames(parsed.options, progress, StopSignals::requested());
    } catch (const ExportError& e) {
        progress.finish();
        if (e.kind() == ExportError::Kind::Interrupted) {
            std::fprintf(err, "movelle export: interrupted; nothing was written\n");
            return Interrupted;
        }
        std::fprintf(err, "movelle export: %s\n", e.what());
        return Failed;
    } catch (const std::exception& e) {
        progress.finish();
        std::fprintf(err, "movelle export: %s\n", e.what());
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
        exportFrames(parsed.options, progress, stop);
    } catch (const std::exception& e) {
        return stop ? std::string() : std::string(e.what());
    }
    return {};
}

}
