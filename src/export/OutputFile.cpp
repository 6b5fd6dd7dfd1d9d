// SPDX-License-Identifier: MIT
#include "export/OutputFile.h"

#include "export/ExportError.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace exporter {

namespace {

namespace fs = std::filesystem;

std::string directoryOf(const std::string& target, OutputFile::Type type)
{
    fs::path path(target);
    if (type == OutputFile::Type::Directory) {
        // "out/" names the directory out, whose parent holds the temporary.
        while (path.has_relative_path() && path.filename().empty())
            path = path.parent_path();
    }
    const fs::path parent = path.parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

std::string temporaryName(const std::string& directory)
{
    static constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 generator { std::random_device {}() };
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    // Hidden, so that an export in progress does not show up in file lists.
    std::string name = (fs::path(directory) / ".movelle-export-").string();
    for (int i = 0; i < 10; ++i)
        name.push_back(alphabet[pick(generator)]);
    return name;
}

ExportError outputError(const std::string& target, int error)
{
    return ExportError(ExportError::Kind::Output, "cannot write " + target + ": " + std::strerror(error));
}

}

OutputFile::OutputFile(const std::string& target, Type type)
    : m_target(target)
    , m_type(type)
{
    const std::string directory = directoryOf(target, type);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temporary = temporaryName(directory);
        int result = 0;
        if (type == Type::File) {
            result = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (result >= 0)
                ::close(result);
        } else {
            result = ::mkdir(m_temporary.c_str(), 0777);
        }
        if (result >= 0)
            return;
        if (errno != EEXIST)
            throw outputError(target, errno);
    }
    throw outputError(target, EEXIST);
}

OutputFile::~OutputFile()
{
    if (m_committed)
        return;
    std::error_code ignored;
    fs::remove_all(m_temporary, ignored);
}

void OutputFile::commit()
{
    if (m_type == Type::File) {
        if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
            throw outputError(m_target, errno);
        m_committed = true;
        return;
    }
    std::error_code error;
    fs::create_directories(m_target, error);
    if (error)
        throw outputError(m_target, error.value());
    for (const fs::directory_entry& entry : fs::directory_iterator(m_temporary)) {
        const fs::path destination = fs::path(m_target) / entry.path().filename();
        if (::rename(entry.path().c_str(), destination.c_str()) != 0)
            throw outputError(destination.string(), errno);
    }
    fs::remove(m_temporary, error);
    m_committed = true;
}

}
