// SPDX-License-Identifier: MIT
#include "forms/OleContainer.h"

#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/WindowSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace forms {

namespace {

// The classes this system can hand to a desktop application, with the kind of file each
// application is given. A "C3D.Document" has no application on this system.
struct ClassFile {
    const char* className;
    const char* extension;
};
constexpr ClassFile kClassFiles[] = {
    { "Paint.Picture", ".bmp" },
};

}

OleContainer::~OleContainer()
{
    if (!m_workingFile.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_workingFile, ignored);
    }
}

void OleContainer::activate()
{
    if (!acceptsInput())
        return;
    if (onActivate)
        application().dispatch(onActivate);
    else
        application().dispatch([this] { openInApplication(); });
}

std::string OleContainer::fileExtensionFor(const std::string& className)
{
    for (const ClassFile& c : kClassFiles) {
        if (className == c.className)
            return c.extension;
    }
    return {};
}

void OleContainer::openInApplication()
{
    const std::string object = "The object " + name() + " (" + m_className + ")";
    const std::string extension = fileExtensionFor(m_className);
    if (extension.empty())
        throw Error(ErrorKind::NoApplication,
                    object + " cannot be opened: no application on this system is registered for " + m_className + ".");

    std::error_code ec;
    if (!m_workingFile.empty() && std::filesystem::is_regular_file(m_workingFile, ec)) {
        // The application may have saved a changed object into the file: keep that.
        std::ifstream in(m_workingFile, std::ios::binary);
        if (!in)
            throw Error(ErrorKind::FileError, object + " cannot be opened: its file " + m_workingFile + " cannot be read.");
        m_data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        // mkstemps makes the name unique and the file ours alone, so nothing in the shared
        // temporary directory can be put in its way.
        // A TMPDIR that names no directory must not send the file into the current directory,
        // which the file dialogs make the root.
        std::filesystem::path directory = std::filesystem::temp_directory_path(ec);
        if (ec || directory.empty())
            directory = "/tmp";
        std::string pattern = (directory / ("movelle-" + name() + "-XXXXXX" + extension)).string();
        const int fd = ::mkstemps(pattern.data(), static_cast<int>(extension.size()));
        if (fd < 0)
            throw Error(ErrorKind::FileError,
                        object + " cannot be opened: its file " + pattern + " cannot be created (" + std::strerror(errno) + ").");
        std::size_t written = 0;
        while (written < m_data.size()) {
            const ssize_t n = ::write(fd, m_data.data() + written, m_data.size() - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const std::string cause = std::strerror(errno);
                ::close(fd);
                std::filesystem::remove(pattern, ec);
                throw Error(ErrorKind::FileError, object + " cannot be opened: its file " + pattern
                                                      + " cannot be written (" + cause + ").");
            }
            written += static_cast<std::size_t>(n);
        }
        ::close(fd);
        m_workingFile = pattern;
    }

    if (!application().windowSystem().openWithDesktop(m_workingFile))
        throw Error(ErrorKind::NoApplication,
                    object + " cannot be opened: the desktop has no application for " + m_workingFile + ".");
}

}
