// SPDX-License-Identifier: MIT
#pragma once

#include "anifile/Result.h"

#include <cstddef>
#include <string>

namespace anifile {

// Reads an animation file field by field, in file order: the count field, the rate field, then
// for each frame either nothing (atEnd() is true) or the frame's field.
//
// A field runs to the first comma or line end, which is consumed. A field that begins with a
// double quote runs to the next double quote instead (a doubled quote inside stands for one quote)
// and whatever follows the closing quote up to the next comma or line end is skipped. Blanks are
// part of the field, since paths may begin or end with them. CR LF, LF and CR all end a line.
//
// Each line is returned as UTF-8: a line that already is valid UTF-8 is kept as it is, any other
// line is taken as Windows-1252, which is what files written on Windows hold.
class AniReader
{
public:
    // No animation comes anywhere near this; a larger file is refused before a byte of it is read.
    static constexpr std::size_t maxFileSize = std::size_t{256} * 1024 * 1024;

    // Reads the whole file at path into memory.
    static Result<AniReader> open(const std::string& path);

    // Reads from bytes already in memory. fileName is only used in error messages.
    static AniReader fromBytes(std::string bytes, std::string fileName = "<memory>");

    const std::string& fileName() const { return m_fileName; }

    // True when every byte has been consumed, i.e. the next field does not exist.
    bool atEnd() const;

    // The next field as UTF-8, or an UnexpectedEnd error when the file has already ended.
    Result<std::string> readField();

private:
    AniReader(std::string bytes, std::string fileName);

    void consumeSeparator();
    void appendDecoded(std::string& out, std::size_t from, std::size_t to);
    bool lineIsUtf8(std::size_t position);
    std::string describeNextField() const;

    std::string m_bytes;
    std::string m_fileName;
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
