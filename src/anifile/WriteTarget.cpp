// SPDX-License-Identifier: MIT
#include "anifile/WriteTarget.h"

#include "anifile/Excerpt.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace anifile {

Result<std::string> writeTarget(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        std::string target(resolved);
        std::free(resolved);
        return target;
    }
    const int error = errno;
    if (error == ELOOP) {
        return Error(Error::Kind::Io,
            "cannot write " + path + ": it is a symbolic link that leads round in a loop; nothing was written");
    }
    if (error == ENOENT) {
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        target.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        return Error(Error::Kind::Io,
            "cannot write " + path + ": it is a symbolic link to " + excerpt(target, 120)
                + ", which does not exist; nothing was written");
    }
    return Error(Error::Kind::Io, "cannot write " + path + ": " + std::generic_category().message(error));
}

}
