// SPDX-License-Identifier: MIT
#include "import/AnimationDecoder.h"

#include "import/VideoDecoder.h"
#include "import/WebpAnimationDecoder.h"

#include "export/ExportError.h"
#include "pictures/PictureFile.h"

#include <QString>

#include <cerrno>
#include <cstring>
#include <fstream>

#include <sys/stat.h>

namespace importer {

std::unique_ptr<AnimationDecoder> AnimationDecoder::open(const std::string& path, const std::atomic<bool>& stop)
{
    using exporter::ExportError;
    // Only regular files: FFmpeg would wait for ever on a pipe that nobody writes.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        throw ExportError(ExportError::Kind::BadInput, "cannot read " + path + ": " + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw ExportError(ExportError::Kind::BadInput, "cannot read " + path + ": it is not a regular file");
    std::ifstream file(path, std::ios::binary);
    char head[12] {};
    file.read(head, sizeof head);
    if (!WebpAnimationDecoder::isWebp(QByteArray(head, int(file.gcount()))))
        return std::make_unique<VideoDecoder>(path, stop);
    // libwebp decodes from memory: the file is read whole, within the bound every picture has.
    const pictures::Result<QByteArray> bytes = pictures::readPictureFile(QString::fromStdString(path), {});
    if (!bytes)
        throw ExportError(ExportError::Kind::BadInput, "cannot read " + path + ": " + bytes.error().message());
    return std::make_unique<WebpAnimationDecoder>(bytes.value(), path);
}

}
