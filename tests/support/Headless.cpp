// SPDX-License-Identifier: MIT
#include "Headless.h"

#include <QImage>
#include <QString>

namespace testing_support {

std::string writePicture(const TempDir& dir, const std::string& name, int width, int height, unsigned rgb)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb));
    const std::string path = dir.file(name);
    image.save(QString::fromStdString(path));
    return path;
}

}