// SPDX-License-Identifier: MIT
#include "anifile/AniWriter.h"

#include "anifile/AniReader.h"
#include "anifile/Excerpt.h"
#include "anifile/FileNames.h"
#include "anifile/WriteTarget.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <string_view>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
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

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// A save in progress is the hidden file ".movelle-save-<pid>-<random>" beside its target, locked
// by the process writing it; the process number tells which process that was.
constexpr std::string_view temporaryPrefix = ".movelle-save-";
constexpr std::string_view temporaryAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t temporarySuffixLength = 10;

std::string temporaryName(const std::string& directory)
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, temporaryAlphabet.size() - 1);

    std::string name = directory;
    if (name.back() != '/')
        name.push_back('/');
    // Hidden, so that a save in progress does not flicker into the program's own file list.
    name.append(temporaryPrefix);
    name.append(std::to_string(::getpid()));
    name.push_back('-');
    for (std::size_t i = 0; i < temporarySuffixLength; ++i)
        name.push_back(temporaryAlphabet[pick(generator)]);
    return name;
}

// The highest process number the system hands out.
pid_t highestPid()
{
    // The kernel's own ceiling, for when the setting cannot be read.
    pid_t highest = 4194304;
    if (const int fd = ::open("/proc/sys/kernel/pid_max", O_RDONLY | O_CLOEXEC); fd >= 0) {
        char text[16] = {};
        if (::read(fd, text, sizeof text - 1) > 0 && std::atol(text) > 0)
            highest = static_cast<pid_t>(std::atol(text));
        ::close(fd);
    }
    return highest;
}

// The process number in the name of one of our temporary files, or 0 for any other name: exactly
// what temporaryName makes, with a number that a process can have.
pid_t ownerOf(std::string_view name)
{
    if (!name.starts_with(temporaryPrefix))
        return 0;
    name.remove_prefix(temporaryPrefix.size());
    const std::size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 || name[0] == '0')
        return 0;
    pid_t pid = 0;
    for (const char c : name.substr(0, dash)) {
        if (c < '0' || c > '9')
            return 0;
        pid = pid * 10 + (c - '0');
    }
    const std::string_view suffix = name.substr(dash + 1);
    if (suffix.size() != temporarySuffixLength
        || suffix.find_first_not_of(temporaryAlphabet) != std::string_view::npos)
        return 0;
    static const pid_t highest = highestPid();
    return pid <= highest ? pid : 0;
}

// A save killed half way leaves its temporary file behind; the next save into the directory
// removes it. Only files of the user who saves and named exactly like ours go, and only when no
// process of that number runs and nobody holds the file's lock: a save in progress in this or any
// other process is never touched, nor another user's file in a shared directory.
void removeStaleTemporaries(const std::string& directory)
{
    DIR* listing = ::opendir(directory.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t owner = ownerOf(entry->d_name);
        if (owner <= 0 || ::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        const int fd = ::openat(::dirfd(listing), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(::dirfd(listing), entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(listing);
}

// Creates a new file beside the target the way mkstemp does, but with mode 0666 so that the umask
// gives a new animation the same permissions as any other file the user creates. The file is
// locked for as long as it is open, which tells other saves that it is still being written.
int createTemporary(const std::string& directory, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(directory);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            ::flock(fd, LOCK_EX | LOCK_NB);
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

bool writeAllAt(int fd, std::string_view bytes, off_t offset)
{
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

bool readAll(int fd, std::string& bytes)
{
    char buffer[65536];
    for (off_t offset = 0;;) {
        const ssize_t count = ::pread(fd, buffer, sizeof buffer, offset);
        if (count == 0)
            return true;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
        offset += count;
    }
}

// How a rewrite in place ended: the error, if any, and whether the old content could not be put
// back after it.
struct InPlaceOutcome
{
    int error = 0;
    bool damaged = false;
};

// Writes bytes into the file itself, so that every hard link to it sees them. A full disk must not
// leave a mixture of old and new, so the file first grows by the part of the new content that lies
// past the old end: should the disk have no room for it, the file is cut back to its old length
// before a byte of the old content has changed. Overwriting the blocks the file already has needs
// no room, and should it fail all the same the old content is written back.
InPlaceOutcome rewriteInPlace(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return {errno};
    std::string old;
    if (!readAll(fd, old)) {
        const int error = errno;
        ::close(fd);
        return {error};
    }
    const auto oldSize = static_cast<off_t>(old.size());
    const auto newSize = static_cast<off_t>(bytes.size());
    if (newSize > oldSize
        && (!writeAllAt(fd, bytes.substr(old.size()), oldSize) || ::fsync(fd) != 0)) {
        const int error = errno;
        const bool cutBack = ::ftruncate(fd, oldSize) == 0 && ::fsync(fd) == 0;
        ::close(fd);
        return {error, !cutBack};
    }
    if (!writeAllAt(fd, bytes.substr(0, std::min(old.size(), bytes.size())), 0)
        || ::ftruncate(fd, newSize) != 0 || ::fsync(fd) != 0) {
        const int error = errno;
        const bool restored = writeAllAt(fd, old, 0) && ::ftruncate(fd, oldSize) == 0 && ::fsync(fd) == 0;
        ::close(fd);
        return {error, !restored};
    }
    // fsync has already said the content is on disk, so close has nothing left to report.
    ::close(fd);
    return {};
}

// The message of a failed rewrite in place, which says so when the old content could not be put back.
Error inPlaceError(const std::string& path, const InPlaceOutcome& outcome)
{
    if (!outcome.damaged)
        return writeError(path, outcome.error);
    return Error(Error::Kind::Io,
                 "cannot write " + path + ": " + std::generic_category().message(outcome.error)
                     + ", and putting its old content back failed too: it may hold part of the new animation");
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

// A value the reader could not give back is refused before anything is written.
Result<void> checkValue(const std::string& path, std::string_view what, std::string_view value)
{
    // The length the value takes in the file: quoted values gain two quotes and a doubled quote
    // for every quote inside.
    std::size_t length = value.size();
    if (needsQuotes(value))
        length += 2 + static_cast<std::size_t>(std::count(value.begin(), value.end(), '"'));
    if (value.find('\0') != std::string_view::npos) {
        return Error(Error::Kind::InvalidValue,
                     "cannot write " + path + ": " + std::string(what) + " " + quotedExcerpt(value)
                         + " holds a NUL byte, which an animation file cannot hold");
    }
    if (length > AniReader::maxLineLength) {
        return Error(Error::Kind::InvalidValue,
                     "cannot write " + path + ": " + std::string(what) + " " + quotedExcerpt(value) + " is "
                         + std::to_string(length) + " bytes long in the file, longer than the "
                         + std::to_string(AniReader::maxLineLength) + " bytes an animation file allows");
    }
    return {};
}

}

Result<void> AniWriter::checkContent(const std::string& path, const AniContent& content)
{
    if (Result<void> count = checkValue(path, "the frame count", content.countText); !count)
        return count;
    if (Result<void> rate = checkValue(path, "the rate", content.rateText); !rate)
        return rate;
    for (std::size_t i = 0; i < content.frames.size(); ++i) {
        if (Result<void> frame = checkValue(path, "the path of frame " + std::to_string(i + 1), content.frames[i]);
            !frame)
            return frame;
    }
    return {};
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
    if (Result<void> valid = checkContent(path, content); !valid)
        return valid;

    const std::string bytes = encode(content);
    const Result<std::string> resolved = writeTarget(path);
    if (!resolved)
        return resolved.error();
    const std::string& target = resolved.value();
    const std::string directory = directoryOf(target);
    removeStaleTemporaries(directory);

    struct stat existing {};
    const bool replacesFile = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    // Renaming over a file needs only the directory's permission; a file its owner made
    // read-only must still refuse to be replaced, as writing into it would.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        return writeError(path, errno);

    // Other names of the same file must see the new animation too, so it is written into the file
    // itself; renaming a new file over this name would part it from the others.
    if (replacesFile && existing.st_nlink > 1) {
        if (const InPlaceOutcome outcome = rewriteInPlace(target, bytes); outcome.error != 0)
            return inPlaceError(path, outcome);
        return {};
    }

    std::string temporary;
    const int fd = createTemporary(directory, temporary);
    if (fd < 0) {
        const int error = errno;
        if (!replacesFile || (error != EACCES && error != EPERM))
            return writeError(path, error);
        // A writable file in a directory that takes no new files can only be written in place.
        if (const InPlaceOutcome outcome = rewriteInPlace(target, bytes); outcome.error != 0)
            return inPlaceError(path, outcome);
        return {};
    }
    // The lock lives as long as any descriptor of the file is open; this one is closed only after
    // the rename, so that no other save takes the file for one a killed save left behind.
    const int lockHolder = ::dup(fd);

    // A replaced file keeps its permission bits; a new one keeps what the umask gave it.
    if (replacesFile)
        ::fchmod(fd, existing.st_mode & 07777);

    int error = 0;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    // close can be the first to report a failed write on network file systems.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.c_str());
    if (lockHolder >= 0)
        ::close(lockHolder);
    if (error != 0)
        return writeError(path, error);
    syncDirectory(directory);
    return {};
}

}
