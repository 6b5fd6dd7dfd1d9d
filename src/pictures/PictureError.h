// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace pictures {

// Why a picture could not be read. Readers report these without the file's name; the name is added
// once, where the error leaves the picture subsystem. Tests assert the problem, people read message().
enum class Problem {
    None,
    NoSuchFile,
    NotAFile,          // a folder, a pipe, a device: anything but a regular file
    CannotOpen,        // permission denied or another system error (detail says which)
    NotAPicture,
    Damaged,
    Unsupported,       // a variant of a known format that we do not decode (detail names it)
    TooLarge,
    Empty,             // an empty file, or a picture of no pixels
    TimedOut,
    HelperFailed,
    OutOfMemory,
    TooComplex,        // a drawing (a metafile) that would touch more pixels than its picture can take
};

// Plain C++, so that the metafile helper can report the same causes.
class PictureError {
public:
    PictureError() = default;
    explicit PictureError(Problem problem, std::string detail = {})
        : m_problem(problem)
        , m_detail(std::move(detail))
    {
    }
    static PictureError sized(Problem problem, std::int64_t width, std::int64_t height)
    {
        return PictureError(problem).sizedAs(width, height);
    }
    static PictureError tooLarge(std::int64_t width, std::int64_t height) { return sized(Problem::TooLarge, width, height); }
    static PictureError outOfMemory(std::int64_t width, std::int64_t height) { return sized(Problem::OutOfMemory, width, height); }
    static PictureError unsupported(std::string variant) { return PictureError(Problem::Unsupported, std::move(variant)); }

    // The same cause, with the size of the picture it concerns.
    PictureError sizedAs(std::int64_t width, std::int64_t height) const
    {
        PictureError e = *this;
        e.m_width = width;
        e.m_height = height;
        return e;
    }

    Problem problem() const { return m_problem; }
    bool isError() const { return m_problem != Problem::None; }
    // The variant for Unsupported, the system's text for CannotOpen, a free text for HelperFailed.
    const std::string& detail() const { return m_detail; }
    std::int64_t width() const { return m_width; }
    std::int64_t height() const { return m_height; }

    // The same cause, concerning this file. Added once, where the error leaves the picture subsystem.
    PictureError inFile(std::string path) const
    {
        PictureError e = *this;
        e.m_file = std::move(path);
        return e;
    }
    // The file it concerns, or empty.
    const std::string& file() const { return m_file; }

    // The cause in words, without the file ("picture is too large (40000 x 40000)").
    std::string message() const;
    // The cause with the file in front, as people read it ("cannot read /home/ann/a.pcx: not a
    // picture Movelle can read"); the bare message when no file is known.
    std::string text() const;

private:
    Problem m_problem = Problem::None;
    std::string m_detail;
    std::int64_t m_width = -1;
    std::int64_t m_height = -1;
    std::string m_file;
};

}
