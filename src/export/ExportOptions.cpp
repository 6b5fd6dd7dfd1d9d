// SPDX-License-Identifier: MIT
#include "export/ExportOptions.h"

#include "anifile/Excerpt.h"
#include "forms/FileSystem.h"
#include "pictures/PictureLimits.h"

#include <QColor>
#include <QString>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <system_error>

namespace exporter {

namespace {

// True when `name` holds exactly one printf-style integer conversion (%d, %04d, %5d) and no other
// conversion; "%%" stands for a percent sign.
bool isFramePattern(const std::string& name)
{
    int conversions = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%')
            continue;
        if (i + 1 < name.size() && name[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        if (j < name.size() && name[j] == '0')
            ++j;
        const std::size_t digits = j;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j])))
            ++j;
        // A width beyond two digits makes no sense for frame numbers and could make huge names.
        if (j - digits > 2 || j >= name.size() || name[j] != 'd')
            return false;
        ++conversions;
        i = j;
    }
    return conversions == 1;
}

bool parseNumber(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && std::isfinite(value);
}

bool parseInteger(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// An argument as messages echo it: short, escaped and on one line, whatever was typed.
std::string shown(const std::string& argument)
{
    return anifile::excerpt(argument);
}

std::string shownPath(const std::string& path)
{
    return anifile::excerpt(path, 120);
}

}

FrameLimits frameLimits(OutputKind kind)
{
    // The largest frame the highest levels of H.264 and VP9 (6.2) allow, 8192 x 4352: what video
    // players are built for, and for the other kinds a frame that an export of a few frames at a
    // time holds well within the memory of one picture.
    constexpr std::int64_t maxPixels = 35'651'584;
    constexpr int side = pictures::PictureLimits::maxSide;
    switch (kind) {
    case OutputKind::Gif:
        return { std::min(side, 65535), maxPixels, "GIF" };
    case OutputKind::Webp:
        return { std::min(side, 16383), maxPixels, "WebP" };
    case OutputKind::Mp4:
        return { side, maxPixels, "H.264 (MP4)" };
    case OutputKind::Webm:
        return { side, maxPixels, "VP9 (WebM)" };
    case OutputKind::PngSequence:
        break;
    }
    return { side, maxPixels, "PNG" };
}

ExportOptions::Parsed ExportOptions::parse(const std::vector<std::string>& arguments)
{
    Parsed parsed;
    ExportOptions& o = parsed.options;
    std::vector<std::string> positional;
    auto fail = [&parsed](std::string message) {
        parsed.usageError = std::move(message);
        return parsed;
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (argument == "--") {
            positional.insert(positional.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                              arguments.end());
            break;
        }
        if (argument.size() < 2 || argument[0] != '-') {
            positional.push_back(argument);
            continue;
        }
        // "--name=value" gives the value in the same argument.
        std::string value;
        std::optional<std::string> attached;
        const std::size_t equals = argument.find('=');
        if (equals != std::string::npos) {
            attached = argument.substr(equals + 1);
            argument.resize(equals);
        }
        // Switches take no value, as with other command-line programs: "--quiet=1" is refused
        // rather than read one way or another.
        if (argument == "--help" || argument == "-h" || argument == "--quiet" || argument == "-q"
            || argument == "--dither") {
            if (attached)
                return fail(argument + " takes no value");
            if (argument == "--help" || argument == "-h") {
                parsed.help = true;
                return parsed;
            }
            if (argument == "--dither")
                o.dither = true;
            else
                o.quiet = true;
            continue;
        }
        if (attached) {
            value = *attached;
        } else if (argument == "--scale" || argument == "--size" || argument == "--background"
                   || argument == "--fps" || argument == "--quality") {
            if (i + 1 >= arguments.size())
                return fail(argument + " needs a value");
            value = arguments[++i];
        }
        if (argument == "--scale") {
            double scale = 0;
            if (!parseNumber(value, scale) || scale <= 0 || scale > 16)
                return fail("--scale " + shown(value) + ": give a factor above 0 and at most 16, such as 0.5 or 2");
            o.scale = scale;
        } else if (argument == "--size") {
            const std::size_t x = value.find_first_of("xX");
            int w = 0;
            int h = 0;
            if (x == std::string::npos || !parseInteger(value.substr(0, x), w) || !parseInteger(value.substr(x + 1), h)
                || w < 1 || h < 1 || w > 16384 || h > 16384)
                return fail("--size " + shown(value) + ": give the width and height in pixels, such as 1280x720");
            o.width = w;
            o.height = h;
        } else if (argument == "--background") {
            const QColor colour = QColor::fromString(QString::fromStdString(value));
            if (!colour.isValid())
                return fail("--background " + shown(value) + ": give a colour such as #202020 or white");
            o.background = colour.rgb() & 0xffffffu;
        } else if (argument == "--fps") {
            double fps = 0;
            if (!parseNumber(value, fps) || fps < 1 || fps > 240)
                return fail("--fps " + shown(value) + ": give frames per second from 1 to 240");
            o.fps = fps;
        } else if (argument == "--quality") {
            int quality = 0;
            if (!parseInteger(value, quality) || quality < 0 || quality > 100)
                return fail("--quality " + shown(value) + ": give a whole number from 0 to 100");
            o.quality = quality;
        } else {
            return fail("unknown option " + shown(argument));
        }
    }

    if (positional.size() != 2)
        return fail(positional.size() < 2 ? "give the animation file and the output name"
                                           : "unexpected argument " + shown(positional[2]));
    if (o.scale && o.width)
        return fail("--scale and --size cannot be used together");
    o.animation = positional[0];
    o.output = positional[1];
    if (o.animation.empty() || o.output.empty())
        return fail("the animation file and the output name cannot be empty");

    const std::string extension = forms::FileSystem::lowerExtension(o.output);
    std::error_code ignored;
    const bool directory = o.output.back() == '/' || std::filesystem::is_directory(o.output, ignored);
    if (directory) {
        o.kind = OutputKind::PngSequence;
        o.pngDirectory = o.output;
        o.pngPattern.clear();
    } else if (extension == ".gif") {
        o.kind = OutputKind::Gif;
    } else if (extension == ".webp") {
        o.kind = OutputKind::Webp;
    } else if (extension == ".mp4") {
        o.kind = OutputKind::Mp4;
    } else if (extension == ".webm") {
        o.kind = OutputKind::Webm;
    } else if (extension == ".png") {
        const std::filesystem::path path(o.output);
        const std::string name = path.filename().string();
        if (!isFramePattern(name))
            return fail(shownPath(o.output) + ": a picture sequence needs a frame number pattern such as frame%04d.png, or a directory");
        o.kind = OutputKind::PngSequence;
        o.pngPattern = name;
        o.pngDirectory = path.has_parent_path() ? path.parent_path().string() : std::string(".");
    } else {
        return fail(shownPath(o.output) + ": the output must end in .gif, .webp, .mp4, .webm or .png, or be a directory");
    }
    if (o.fps && o.kind != OutputKind::Mp4 && o.kind != OutputKind::Webm)
        return fail("--fps only applies to .mp4 and .webm");
    return parsed;
}

std::string ExportOptions::helpText()
{
    return R"(Usage: movelle export ANIMATION.ani OUTPUT [options]

Turns an animation file into a file that plays anywhere. OUTPUT's name chooses the kind:
  NAME.gif         animated GIF, looping for ever, a palette of its own for each frame
  NAME.webp        animated WebP, looping for ever, lossless unless --quality is given
  NAME.mp4         H.264 video
  NAME.webm        VP9 video
  DIRECTORY/       one PNG per frame, frame0001.png, frame0002.png, ...
  NAME%04d.png     one PNG per frame, numbered from 1 by the pattern

A picture sequence replaces the whole numbered sequence it writes: older frames of a longer
export are removed, and nothing in the folder changes unless every frame was written.

Each frame shows its picture at its own size at the top left of a canvas as large as the
largest picture, as the picture-only view shows it; a frame without a picture is the bare canvas.
Each frame lasts the animation's rate in milliseconds.

GIF counts time in steps of 10 ms: each frame starts at the step nearest its time, so the whole
lasts as long as the animation. Browsers play a frame of under 20 ms as 100 ms, so at rates under
20 ms a frame that would start less than 20 ms after the one before is merged into it (that one
stays on screen), and every GIF frame lasts at least 20 ms; the total stays exact (an animation
shorter than 20 ms lasts 20 ms).
Videos need even sizes: an odd width or height is rounded up by one pixel of background, after
--scale or --size.

Options:
  --scale F          multiply the canvas and every picture by F (0.5 halves, 2 doubles),
                     above 0 and at most 16
  --size WxH         frames of W by H pixels (1 to 16384 each): the canvas is scaled to fit and
                     centred
  --background C     canvas colour, such as #336699 or black (default: the main window's)
  --fps N            videos: N frames per second, 1 to 240, to a thousandth (29.97); each video
                     frame shows the frame on screen at its time (default: one video frame per
                     animation frame)
  --quality N        WebP: lossy at quality N (0-100); GIF: palettes of at most quality N
                     (fewer colours, smaller file; default 100)
  --dither           GIF: dither the colours that a palette of 256 cannot hold
  -q, --quiet        no progress on standard error
  -h, --help         this text

Frames are at most 16,384 pixels a side (WebP 16,383) and 35,651,584 pixels in all; larger ones
are refused before any work: use --size or --scale. A symbolic link named as OUTPUT is written
through. The output may not be the animation or one of its pictures.
Nothing is written when the animation or one of its pictures cannot be read, and an interrupted
or failed export leaves no file behind.
Exit status: 0 done, 1 the animation or a picture cannot be read or the output cannot be
written, 2 wrong arguments, 130 interrupted.

Example:
  movelle export ~/walk.ani ~/walk.gif --scale 0.5
)";
}

}
