// SPDX-License-Identifier: MIT
#pragma once

#include "anifile/Result.h"

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace anifile {

// Reads an animation file field by field, in file order: the count field, the rate field, then
// for each frame either nothing (atEnd() is true) or the frame's field.
//
// A field runs to the first comma or line end, which is consumed. A field that begins with a
// double quote runs to the next double quote instead (a doubled quote inside stands for one quote)
// and whatever follows the closing quote up to the next comma or line end is skipped. Blanks are
// part of the field, since paths may begin or end with them. CR LF, LF and CR all end a line.
//
// A line that is valid UTF-8 is returned as it is. A frame field on any other line is first taken
// as the raw bytes of a file name, since that is what the writer writes for a name that is not
// UTF-8 on disk; only when no file of that name exists is the line taken as Windows-1252, which is
// what files written on Windows hold, and returned as UTF-8.
//
// Only 8-bit text is read: a file holding a NUL byte or starting like UTF-16 is refused, and so is
// one with a line longer than maxLineLength, before the rest of it is read.
class AniReader
{
public:
    // No animation comes anywhere near this; a larger file is refused before a byte of it is read.
    static constexpr std::size_t maxFileSize = std::size_t{256} * 1024 * 1024;
    // The longest line, and the longest value, that an animation file holds: a path the file
    // system accepts (at most 4095 bytes) written in quotes with every byte a doubled quote.
    static constexpr std::size_t maxLineLength = 8192;

    // Reads the whole file at path into memory.
    static Result<AniReader> open(const std::string& path);

    // Reads from bytes already in memory. fileName is only used in error messages.
    static Result<AniReader> fromBytes(std::string bytes, std::string fileName = "<memory>");

    const std::string& fileName() const { return m_fileName; }

    // How the reader asks whether a file of a given raw name exists; by default, the file system.
    void setFileExists(std::function<bool(const std::string&)> fileExists) { m_fileExists = std::move(fileExists); }

    // True when every byte has been consumed, i.e. the next field does not exist.
    bool atEnd() const;

    // The next field as UTF-8, or an UnexpectedEnd error when the file has already ended.
    Result<std::string> readField();

private:
    AniReader(std::string bytes, std::string fileName);

    void consumeSeparator();
    void appendField(std::string& raw, std::string& decoded, std::size_t from, std::size_t to);
    void appendDecoded(std::string& out, std::size_t from, std::size_t to);
    std::size_t lineNumberAt(std::size_t position) const;
    Error tooLongValue(std::size_t start) const;
    bool lineIsUtf8(std::size_t position);
    std::string describeNextField() const;

    std::string m_bytes;
    std::string m_fileName;
    std::function<bool(const std::string&)> m_fileExists;
    std::size_t m_position = 0;
    std::size_t m_fieldsRead = 0;
    // Whether the line holding the bytes being decoded is UTF-8 is needed once per line, not once
    // per field, so the answer for the latest line is kept. Fields only move forward, so an older
    // line is never asked about again.
    std::size_t m_lineStart = 0;
    std::size_t m_lineEnd = 0;
    bool m_lineIsUtf8 = true;
};

}
