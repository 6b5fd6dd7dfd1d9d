// SPDX-License-Identifier: MIT
#include "export/ExportCommand.h"

#include "export/ExportError.h"
#include "export/ExportOptions.h"
#include "export/FrameSource.h"
#include "export/GifEncoder.h"
#include "export/OutputFile.h"
#include "export/PngSequenceEncoder.h"
#include "export/Progress.h"
#include "export/VideoEncoder.h"
#include "export/WebpEncoder.h"

#include <QImage>

#include <atomic>
#include <cmath>
#include <csignal>
#include <memory>

#include <unistd.h>

namespace exporter {

namespace {

std::atomic<bool> stopRequested { false };
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

extern "C" void requestStop(int)
{
    stopRequested = true;
}

// Ctrl-C, a closed terminal or a polite kill stop the export between two frames, so that the
// temporary output is removed on the way out. The previous handlers come back afterwards.
class StopSignals {
public:
    StopSignals()
    {
        stopRequested = false;
        struct sigaction action {};
        action.sa_handler = requestStop;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(m_signals); ++i)
            sigaction(m_signals[i], &action, &m_previous[i]);
    }
    ~StopSignals()
    {
        for (std::size_t i = 0; i < std::size(m_signals); ++i)
            sigaction(m_signals[i], &m_previous[i], nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr int m_signals[] = { SIGINT, SIGTERM, SIGHUP };
    struct sigaction m_previous[std::size(m_signals)] {};
};

std::unique_ptr<FrameEncoder> makeEncoder(const ExportOptions& options, const FrameSource& source,
                                          const std::string& temporary)
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
    const std::string pattern =
        options.pngPattern.empty() ? PngSequenceEncoder::directoryPattern(source.frameCount()) : options.pngPattern;
    return PngSequenceEncoder::create(temporary, pattern);
}

void exportFrames(const ExportOptions& options, Progress& progress)
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
        exportFrames(parsed.options, progress);
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

}
