// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace exporter {

// What an export writes, chosen by the output name.
enum class OutputKind {
    Gif,           // name.gif: animated GIF
    Webp,          // name.webp: animated WebP
    Mp4,           // name.mp4: H.264 video
    Webm,          // name.webm: VP9 video
    PngSequence,   // a directory, or a name.png holding a %d pattern: one PNG per frame
};

// The largest frames an export of a kind writes: the picture limits (a frame is a picture the
// export holds several of at once: those decoded ahead, the one being encoded and the encoder's
// own copies) and what the format itself can store.
struct FrameLimits {
    int maxSide;
    std::int64_t maxPixels;
    // The kind as messages name it: "GIF", "WebP", ...
    const char* format;
};
FrameLimits frameLimits(OutputKind kind);

// Everything `movelle export ANIMATION.ani OUTPUT [options]` was asked to do.
struct ExportOptions {
    std::string animation;
    std::string output;
    OutputKind kind = OutputKind::Gif;
    // For a picture sequence: the file name pattern with one printf-style %d (%04d, %d, ...), and
    // the directory it writes into.
    std::string pngPattern;
    std::string pngDirectory;

    // 0xRRGGBB; unset: the main window's face colour.
    std::optional<std::uint32_t> background;
    // Either a factor for the canvas and every picture, or the size of the output frames.
    std::optional<double> scale;
    std::optional<int> width;
    std::optional<int> height;
    // Videos only: frames per second; unset: one video frame per animation frame.
    std::optional<double> fps;
    // WebP: lossy at this quality (0-100) instead of lossless. GIF: the most quality the
    // quantizer aims for; lower gives fewer colours.
    std::optional<int> quality;
    bool dither = false;
    bool quiet = false;

    // The outcome of reading the arguments that follow "export".
    struct Parsed;
    static Parsed parse(const std::vector<std::string>& arguments);

    // The text of `movelle export --help`.
    static std::string helpText();
};

struct ExportOptions::Parsed {
    ExportOptions options;
    bool help = false;
    // Set when the arguments cannot be used; the message says which argument and why.
    std::string usageError;
};

}
