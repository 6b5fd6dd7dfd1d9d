// SPDX-License-Identifier: MIT
#include "anifile/AniReader.h"

#include "anifile/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace anifile {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view lineEnds = "\r\n";

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

Error openError(const std::string& path, int error)
{
    return Error(Error::Kind::Io,
                 "cannot read " + path + ": " + std::generic_category().message(error));
}

Error tooLargeError(const std::string& path)
{
    return Error(Error::Kind::TooLarge,
                 "cannot read " + path + ": the file is larger than "
                     + std::to_string(AniReader::maxFileSize / (1024 * 1024))
                     + " MiB, too large for an animation");
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int fd() const { return m_fd; }

private:
    int m_fd;
};

}

AniReader::AniReader(std::string bytes, std::string fileName)
    : m_bytes(std::move(bytes))
    , m_fileName(std::move(fileName))
{
    // Editors on Windows like to put a byte order mark in front of UTF-8 text; it is not part of
    // the count. The writer quotes any value starting with one, so no real data is lost here.
    if (std::string_view(m_bytes).starts_with(byteOrderMark))
        m_position = byteOrderMark.size();
}

Result<AniReader> AniReader::open(const std::string& path)
{
    // O_NONBLOCK keeps a named pipe from hanging the program at open; it is refused below anyway.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.fd() < 0)
        return openError(path, errno);

    struct stat info {};
    if (::fstat(file.fd(), &info) != 0)
        return openError(path, errno);
    if (S_ISDIR(info.st_mode))
        return openError(path, EISDIR);
    if (!S_ISREG(info.st_mode))
        return Error(Error::Kind::Io, "cannot read " + path + ": not a regular file");
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxFileSize)
        return tooLargeError(path);

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.fd(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return openError(path, errno);
        }
        if (count == 0)
            break;
        // The file may have grown since it was measured; the bound holds regardless.
        if (bytes.size() + static_cast<std::size_t>(count) > maxFileSize)
            return tooLargeError(path);
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return AniReader(std::move(bytes), path);
}

AniReader AniReader::fromBytes(std::string bytes, std::string fileName)
{
    return AniReader(std::move(bytes), std::move(fileName));
}

bool AniReader::atEnd() const
{
    return m_position >= m_bytes.size();
}

Result<std::string> AniReader::readField()
{
    if (atEnd()) {
        return Error(Error::Kind::UnexpectedEnd,
                     "cannot read " + m_fileName + ": the file ends before " + describeNextField());
    }
    ++m_fieldsRead;

    std::string field;
    const std::size_t size = m_bytes.size();
    if (m_bytes[m_position] != '"') {
        std::size_t end = m_bytes.find_first_of(",\r\n", m_position);
        if (end == std::string::npos)
            end = size;
        appendDecoded(field, m_position, end);
        m_position = end;
        consumeSeparator();
        return field;
    }

    std::size_t pieceStart = m_position + 1;
    for (;;) {
        const std::size_t quote = m_bytes.find('"', pieceStart);
        if (quote == std::string::npos) {
            // A quote that is never closed takes the rest of the file, as it would have for the
            // old program; refusing the whole file would lose the frames that come before.
            appendDecoded(field, pieceStart, size);
            m_position = size;
            return field;
        }
        if (quote + 1 < size && m_bytes[quote + 1] == '"') {
            appendDecoded(field, pieceStart, quote + 1);
            pieceStart = quote + 2;
            continue;
        }
        appendDecoded(field, pieceStart, quote);
        m_position = quote + 1;
        break;
    }
    const std::size_t separator = m_bytes.find_first_of(",\r\n", m_position);
    m_position = separator == std::string::npos ? size : separator;
    consumeSeparator();
    return field;
}

void AniReader::consumeSeparator()
{
    if (atEnd())
        return;
    const char c = m_bytes[m_position++];
    // CR LF is one line end, not a line end followed by an empty line.
    if (c == '\r' && !atEnd() && m_bytes[m_position] == '\n')
        ++m_position;
}

void AniReader::appendDecoded(std::string& out, std::size_t from, std::size_t to)
{
    // A quoted field may span several lines, and each line is decoded on its own.
    while (from < to) {
        if (isLineEnd(m_bytes[from])) {
            out.push_back(m_bytes[from++]);
            continue;
        }
        const bool utf8 = lineIsUtf8(from);
        const std::size_t pieceEnd = std::min(to, m_lineEnd);
        const std::string_view piece(m_bytes.data() + from, pieceEnd - from);
        if (utf8)
            out.append(piece);
        else
            appendWindows1252AsUtf8(out, piece);
        from = pieceEnd;
    }
}

bool AniReader::lineIsUtf8(std::size_t position)
{
    if (position >= m_lineStart && position < m_lineEnd)
        return m_lineIsUtf8;

    std::size_t start = position;
    while (start > 0 && !isLineEnd(m_bytes[start - 1]))
        --start;
    std::size_t end = m_bytes.find_first_of(lineEnds, position);
    if (end == std::string::npos)
        end = m_bytes.size();

    m_lineStart = start;
    m_lineEnd = end;
    m_lineIsUtf8 = isValidUtf8(std::string_view(m_bytes.data() + start, end - start));
    return m_lineIsUtf8;
}

std::string AniReader::describeNextField() const
{
    switch (m_fieldsRead) {
    case 0:
        return "the frame count line";
    case 1:
        return "the rate line";
    default:
        return "the line of frame " + std::to_string(m_fieldsRead - 1);
    }
}

}
