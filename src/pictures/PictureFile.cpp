// SPDX-License-Identifier: MIT
#include "pictures/PictureFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace pictures {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

PictureError openError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return PictureError(Problem::NoSuchFile);
    case EACCES:
    case EPERM: return PictureError(Problem::CannotOpen, "permission denied");
    case EISDIR: return PictureError(Problem::NotAFile, "it is a folder, not a file");
    default: return PictureError(Problem::CannotOpen, std::strerror(error));
    }
}

Result<QByteArray> readResource(const QString& path, const Limits& limits)
{
    QFile resource(path);
    if (!resource.exists())
        return PictureError(Problem::NoSuchFile);
    if (!resource.open(QIODevice::ReadOnly))
        return PictureError(Problem::CannotOpen, resource.errorString().toStdString());
    if (resource.size() > limits.maxFileBytes)
        return PictureError(Problem::TooLarge, "the file is too large");
    QByteArray bytes = resource.readAll();
    if (bytes.isEmpty())
        return PictureError(Problem::Empty);
    return bytes;
}

}

Result<QByteArray> readPictureFile(const QString& path, const Limits& limits)
{
    if (path.isEmpty())
        return PictureError(Problem::NoSuchFile, "no file name given");
    // The program's own pictures live in its resources, in memory: no file, nothing that can block.
    if (path.startsWith(QLatin1Char(':')))
        return readResource(path, limits);
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, forever.
    Descriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.fd() < 0)
        return openError(errno);
    struct stat status {};
    if (::fstat(file.fd(), &status) != 0)
        return openError(errno);
    if (S_ISDIR(status.st_mode))
        return PictureError(Problem::NotAFile, "it is a folder, not a file");
    if (!S_ISREG(status.st_mode))
        return PictureError(Problem::NotAFile);
    if (status.st_size == 0)
        return PictureError(Problem::Empty);
    if (status.st_size > limits.maxFileBytes)
        return PictureError(Problem::TooLarge, "the file is too large");

    QByteArray bytes;
    try {
        bytes.resize(qsizetype(status.st_size));
    } catch (const std::bad_alloc&) {
        return PictureError(Problem::OutOfMemory);
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(file.fd(), bytes.data() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return PictureError(Problem::CannotOpen, std::strerror(errno));
        // The file shrank while we read it: what is there is all there is.
        if (n == 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    if (bytes.isEmpty())
        return PictureError(Problem::Empty);
    return bytes;
}

}
