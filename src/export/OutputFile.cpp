// SPDX-License-Identifier: MIT
#include "export/OutputFile.h"

#include "anifile/Excerpt.h"
#include "anifile/WriteTarget.h"
#include "export/ExportError.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <set>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace exporter {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view temporaryPrefix = ".movelle-export-";
constexpr std::size_t randomLength = 10;
// The largest process number Linux hands out; a name with a larger one was not made by us.
constexpr long maxPid = 4194304;

// A path as messages show it: on one line, escaped, and short even when the argument was not.
std::string shown(const std::string& path)
{
    return anifile::excerpt(path, 120);
}

ExportError outputError(const std::string& target, int error)
{
    return ExportError(
        ExportError::Kind::Output, "cannot write " + shown(target) + ": " + std::generic_category().message(error));
}

std::string parentOf(const std::string& path)
{
    fs::path p(path);
    // "out/" names the folder out, whose parent holds the temporary.
    while (p.has_relative_path() && p.filename().empty())
        p = p.parent_path();
    const fs::path parent = p.parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

std::string joined(const std::string& directory, std::string_view name)
{
    return (fs::path(directory) / name).string();
}

std::string temporaryName(const std::string& directory)
{
    static constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 generator {std::random_device {}()};
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    // Hidden, so that an export in progress does not show up in file lists; the process number
    // tells a later export whether the one that made it still runs.
    std::string name = std::string(temporaryPrefix) + std::to_string(::getpid()) + "-";
    for (std::size_t i = 0; i < randomLength; ++i)
        name.push_back(alphabet[pick(generator)]);
    return joined(directory, name);
}

bool exists(const std::string& path, struct stat& info)
{
    return ::lstat(path.c_str(), &info) == 0;
}

// An export killed half way leaves its temporary behind; the next export into the folder removes
// it. Only what is certainly ours goes: a name exactly like ours, owned by the user who exports,
// made by a process that no longer runs, and whose lock nobody holds (an export in progress holds
// its lock until its temporary is gone).
void removeStaleTemporaries(const std::string& directory)
{
    DIR* listing = ::opendir(directory.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        int pid = 0;
        if (!OutputFile::isTemporaryName(entry->d_name, &pid) || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        const int fd = ::openat(::dirfd(listing), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info { };
        if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (S_ISREG(info.st_mode)) {
                ::unlinkat(::dirfd(listing), entry->d_name, 0);
            } else {
                std::error_code ignored;
                fs::remove_all(joined(directory, entry->d_name), ignored);
            }
        }
        ::close(fd);
    }
    ::closedir(listing);
}

}

bool OutputFile::isTemporaryName(std::string_view name, int* pid)
{
    if (!name.starts_with(temporaryPrefix))
        return false;
    name.remove_prefix(temporaryPrefix.size());
    const std::size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 7 || name.size() != dash + 1 + randomLength)
        return false;
    long number = 0;
    for (const char c : name.substr(0, dash)) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (c - '0');
    }
    for (const char c : name.substr(dash + 1)) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    if (number < 1 || number > maxPid)
        return false;
    if (pid)
        *pid = static_cast<int>(number);
    return true;
}

OutputFile::OutputFile(const std::string& target)
    : m_target(target)
{
    const anifile::Result<std::string> resolved = anifile::writeTarget(target);
    if (!resolved)
        throw ExportError(ExportError::Kind::Output, resolved.error().message());
    m_destination = resolved.value();
    create(parentOf(m_destination), false);
}

OutputFile::OutputFile(
    const std::string& directory, std::vector<std::string> names, std::function<bool(std::string_view)> owned)
    : m_target(directory)
    , m_destination(directory)
    , m_names(std::move(names))
    , m_owned(std::move(owned))
    , m_sequence(true)
{
    struct stat info { };
    if (::stat(directory.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode))
            throw outputError(directory, ENOTDIR);
        checkNames();
        // Inside the folder, so that moving the files into place never crosses a file system.
        create(directory, true);
    } else {
        m_newFolder = true;
        create(parentOf(directory), true);
    }
}

void OutputFile::create(const std::string& directory, bool folder)
{
    removeStaleTemporaries(directory);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temporary = temporaryName(directory);
        if (folder) {
            if (::mkdir(m_temporary.c_str(), 0777) == 0) {
                m_lock = ::open(m_temporary.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (m_lock < 0) {
                    const int error = errno;
                    ::rmdir(m_temporary.c_str());
                    throw outputError(m_target, error);
                }
            }
        } else {
            m_lock = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        }
        if (m_lock >= 0) {
            // Tells a later export that this temporary is still being written.
            ::flock(m_lock, LOCK_EX | LOCK_NB);
            return;
        }
        if (errno != EEXIST)
            throw outputError(m_target, errno);
    }
    throw outputError(m_target, EEXIST);
}

OutputFile::~OutputFile()
{
    if (!m_committed) {
        std::error_code ignored;
        fs::remove_all(m_temporary, ignored);
    }
    if (m_lock >= 0)
        ::close(m_lock);
}

void OutputFile::checkNames() const
{
    for (const std::string& name : m_names) {
        struct stat info { };
        if (exists(joined(m_destination, name), info) && S_ISDIR(info.st_mode)) {
            throw ExportError(ExportError::Kind::Output,
                "cannot write " + shown(joined(m_target, name))
                    + ": a folder of that name is in the way; nothing was written");
        }
    }
}

std::vector<std::string> OutputFile::replacedFiles() const
{
    std::vector<std::string> files;
    struct stat info { };
    if (!m_sequence) {
        if (::stat(m_destination.c_str(), &info) == 0)
            files.push_back(m_destination);
        return files;
    }
    if (m_newFolder)
        return files;
    const std::set<std::string, std::less<>> written(m_names.begin(), m_names.end());
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_destination, error)) {
        const std::string name = entry.path().filename().string();
        if (written.contains(name) || (m_owned && m_owned(name)))
            files.push_back(entry.path().string());
    }
    return files;
}

void OutputFile::commit()
{
    if (!m_sequence || m_newFolder) {
        if (::rename(m_temporary.c_str(), m_destination.c_str()) != 0)
            throw outputError(m_target, errno);
        m_committed = true;
        return;
    }
    commitSequence();
}

void OutputFile::commitSequence()
{
    checkNames();
    // The files to move aside: those the new ones replace and the rest of an older sequence. They
    // wait in the temporary folder until every new file is in place, and go back should anything
    // fail.
    const std::string aside = joined(m_temporary, ".replaced");
    if (::mkdir(aside.c_str(), 0700) != 0)
        throw outputError(m_target, errno);
    struct Move {
        std::string from;
        std::string to;
    };
    std::vector<Move> moved;
    auto move = [&moved](const std::string& from, const std::string& to) {
        if (::rename(from.c_str(), to.c_str()) != 0)
            return false;
        moved.push_back({from, to});
        return true;
    };
    auto undo = [&moved, this](const std::string& failed, int error) {
        for (auto m = moved.rbegin(); m != moved.rend(); ++m)
            ::rename(m->to.c_str(), m->from.c_str());
        return ExportError(ExportError::Kind::Output,
            "cannot write " + shown(failed) + ": " + std::generic_category().message(error) + "; " + shown(m_target)
                + " was left as it was");
    };

    const std::set<std::string, std::less<>> written(m_names.begin(), m_names.end());
    std::vector<std::string> stale;
    std::error_code listError;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_destination, listError)) {
        const std::string name = entry.path().filename().string();
        if (!written.contains(name) && m_owned && m_owned(name))
            stale.push_back(name);
    }
    if (listError)
        throw outputError(m_target, listError.value());

    for (const std::string& name : m_names) {
        const std::string destination = joined(m_destination, name);
        struct stat info { };
        if ((exists(destination, info) && !move(destination, joined(aside, name)))
            || !move(joined(m_temporary, name), destination)) {
            const int error = errno;
            throw undo(joined(m_target, name), error);
        }
    }
    for (const std::string& name : stale) {
        if (!move(joined(m_destination, name), joined(aside, name))) {
            const int error = errno;
            throw undo(joined(m_target, name), error);
        }
    }
    m_committed = true;
    std::error_code ignored;
    fs::remove_all(m_temporary, ignored);
}

}
