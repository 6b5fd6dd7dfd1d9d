// SPDX-License-Identifier: MIT
#include "anifile/AniReader.h"

#include "anifile/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
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

// The number of the line that position lies on. CR LF, a lone CR and a lone LF each end a line.
std::size_t lineAt(std::string_view bytes, std::size_t position)
{
    std::size_t line = 1;
    for (std::size_t k = 0; k < position && k < bytes.size(); ++k) {
        if (bytes[k] == '\n' || (bytes[k] == '\r' && (k + 1 >= bytes.size() || bytes[k + 1] != '\n')))
            ++line;
    }
    return line;
}

Error notText(const std::string& path, const std::string& why)
{
    return Error(Error::Kind::NotText, "cannot read " + path + ": not a text file (" + why + ")");
}

// Checks that bytes[from..] is 8-bit text with no line longer than an animation file has, so that
// a file that is not one is refused as soon as the piece that shows it has been read. run carries
// the length of the line that the previous piece left unfinished. Errors are rare, so only they
// count lines; the scan itself looks for the few bytes that matter with memchr and memrchr, which
// keeps it as fast as reading the file.
Result<void> checkText(const std::string& path, std::string_view bytes, std::size_t from, std::size_t& run)
{
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    // A UTF-16 byte order mark; the NUL bytes of UTF-16 text without one are caught below.
    if (from < 2 && size >= 2 && (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")))
        return notText(path, "it is UTF-16 text");
    if (const void* nul = std::memchr(data + from, '\0', size - from)) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
        return notText(path, "line " + std::to_string(lineAt(bytes, at)) + " holds a NUL byte");
    }

    std::size_t position = from;
    while (position < size) {
        // Looking one byte past what the line may still take is enough to tell.
        const std::size_t room = AniReader::maxLineLength - std::min(run, AniReader::maxLineLength) + 1;
        const std::size_t window = std::min(room, size - position);
        const auto* lf = static_cast<const char*>(::memrchr(data + position, '\n', window));
        const auto* cr = static_cast<const char*>(::memrchr(data + position, '\r', window));
        const char* last = std::max(lf, cr, std::less<>());
        if (last) {
            position = static_cast<std::size_t>(last - data) + 1;
            run = 0;
            continue;
        }
        run += window;
        position += window;
        if (run > AniReader::maxLineLength) {
            return Error(Error::Kind::LineTooLong,
                         "cannot read " + path + ": line " + std::to_string(lineAt(bytes, position - run))
                             + " is longer than " + std::to_string(AniReader::maxLineLength)
                             + " bytes, longer than any line of an animation file");
        }
    }
    return {};
}

bool fileExists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
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
    , m_fileExists(fileExists)
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
    std::size_t run = 0;
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
        const std::size_t from = bytes.size();
        bytes.append(buffer, static_cast<std::size_t>(count));
        // A file that is no animation is refused as soon as that shows, not after reading it all.
        if (Result<void> text = checkText(path, bytes, from, run); !text)
            return text.error();
    }
    return AniReader(std::move(bytes), path);
}

Result<AniReader> AniReader::fromBytes(std::string bytes, std::string fileName)
{
    if (bytes.size() > maxFileSize)
        return tooLargeError(fileName);
    std::size_t run = 0;
    if (Result<void> text = checkText(fileName, bytes, 0, run); !text)
        return text.error();
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

    // The raw bytes of the field and the same bytes decoded line by line.
    std::string raw;
    std::string decoded;
    const std::size_t size = m_bytes.size();
    const std::size_t fieldStart = m_position;
    if (m_bytes[m_position] != '"') {
        // No line is longer than maxLineLength, so neither is this field.
        std::size_t end = m_bytes.find_first_of(",\r\n", m_position);
        if (end == std::string::npos)
            end = size;
        appendField(raw, decoded, m_position, end);
        m_position = end;
        consumeSeparator();
    } else {
        // A quoted field may run over several lines, but it is no longer than a line may be. The
        // search for its end stops there, so an unclosed quote costs no more than one value.
        const std::size_t limit = std::min(size, fieldStart + maxLineLength);
        const std::string_view searched(m_bytes.data(), limit);
        std::size_t pieceStart = m_position + 1;
        for (;;) {
            const std::size_t quote = searched.find('"', pieceStart);
            if (quote == std::string_view::npos) {
                if (limit < size)
                    return tooLongValue(fieldStart);
                // A quote that is never closed takes the rest of the file, as it would have for
                // the old program; refusing the whole file would lose the frames that come before.
                appendField(raw, decoded, pieceStart, size);
                m_position = size;
                break;
            }
            if (quote + 1 < size && m_bytes[quote + 1] == '"') {
                appendField(raw, decoded, pieceStart, quote + 1);
                pieceStart = quote + 2;
                continue;
            }
            appendField(raw, decoded, pieceStart, quote);
            m_position = quote + 1;
            const std::size_t separator = m_bytes.find_first_of(",\r\n", m_position);
            m_position = separator == std::string::npos ? size : separator;
            consumeSeparator();
            break;
        }
    }

    // A frame's path that is not UTF-8 is most likely the name of a file on this system, written
    // byte for byte; Windows-1252 is only the answer when no such file exists.
    const bool frameField = m_fieldsRead > 2;
    if (frameField && raw != decoded && m_fileExists && m_fileExists(raw))
        return raw;
    return decoded;
}

void AniReader::appendField(std::string& raw, std::string& decoded, std::size_t from, std::size_t to)
{
    raw.append(m_bytes, from, to - from);
    appendDecoded(decoded, from, to);
}

std::size_t AniReader::lineNumberAt(std::size_t position) const
{
    return lineAt(m_bytes, position);
}

Error AniReader::tooLongValue(std::size_t start) const
{
    return Error(Error::Kind::LineTooLong,
                 "cannot read " + m_fileName + ": the value that starts on line " + std::to_string(lineNumberAt(start))
                     + " is longer than " + std::to_string(maxLineLength)
                     + " bytes, longer than any value of an animation file");
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
