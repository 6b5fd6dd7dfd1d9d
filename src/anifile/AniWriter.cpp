// SPDX-License-Identifier: MIT
#include "anifile/AniWriter.h"

#include "anifile/FileNames.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace anifile {

namespace {

constexpr std::string_view lineEnd = "\r\n";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool needsQuotes(std::string_view value)
{
    if (value.find_first_of(",\r\n") != std::string_view::npos)
        return true;
    // A leading quote would make the reader take the value for a quoted one, and a leading byte
    // order mark would be dropped as an editor's marker if the value opens the file.
    return value.starts_with('"') || value.starts_with(byteOrderMark);
}

void appendField(std::string& out, std::string_view value)
{
    if (!needsQuotes(value)) {
        out.append(value);
    } else {
        out.push_back('"');
        for (const char c : value) {
            if (c == '"')
                out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
    }
    out.append(lineEnd);
}

Error writeError(const std::string& path, int error)
{
    return Error(Error::Kind::Io,
                 "cannot write " + path + ": " + std::generic_category().message(error));
}

// Saving through a symbolic link must update the file it points to, not replace the link with a
// plain file.
std::string resolvedTarget(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string temporaryName(const std::string& directory)
{
    static constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);

    std::string name = directory;
    if (name.back() != '/')
        name.push_back('/');
    // Hidden, so that a save in progress does not flicker into the program's own file list.
    name.append(".movelle-save-");
    for (int i = 0; i < 10; ++i)
        name.push_back(alphabet[pick(generator)]);
    return name;
}

// Creates a new file beside the target the way mkstemp does, but with mode 0666 so that the umask
// gives a new animation the same permissions as any other file the user creates.
int createTemporary(const std::string& directory, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(directory);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The rename itself only survives a power cut once the directory is on disk too. The data is safe
// either way, so a directory that refuses to be synced is no reason to report a failed save.
void syncDirectory(const std::string& directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}

std::string AniWriter::encode(const AniContent& content)
{
    std::string bytes;
    appendField(bytes, content.countText);
    appendField(bytes, content.rateText);
    for (const std::string& frame : content.frames)
        appendField(bytes, frame);
    return bytes;
}

Result<void> AniWriter::save(const std::string& path, const AniContent& content)
{
    if (hasWildcard(path)) {
        return Error(Error::Kind::InvalidName,
                     "cannot write " + path + ": a file name cannot contain * or ?");
    }

    const std::string bytes = encode(content);
    const std::string target = resolvedTarget(path);
    const std::string directory = directoryOf(target);

    // Renaming over a file needs only the directory's permission; a file its owner made
    // read-only must still refuse to be replaced, as writing into it would.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        return writeError(path, errno);

    std::string temporary;
    const int fd = createTemporary(directory, temporary);
    if (fd < 0)
        return writeError(path, errno);

    // A replaced file keeps its permission bits; a new one keeps what the umask gave it.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(fd, existing.st_mode & 07777);

    int error = 0;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    // close can be the first to report a failed write on network file systems.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;

    if (error != 0) {
        ::unlink(temporary.c_str());
        return writeError(path, error);
    }
    syncDirectory(directory);
    return {};
}

}
