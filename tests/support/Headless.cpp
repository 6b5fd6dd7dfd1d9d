// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "shell/Form1.h"

#include <QImage>
#include <QString>

#include <random>

namespace testing_support {

std::string writePicture(const TempDir& dir, const std::string& name, int width, int height, unsigned rgb)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb));
    const std::string path = dir.file(name);
    image.save(QString::fromStdString(path));
    return path;
}

std::string writeNoise(const TempDir& dir, const std::string& name, int width, int height, unsigned seed, int quality)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | (random() & 0xffffffu);
    }
    const std::string path = dir.file(name);
    image.save(QString::fromStdString(path), "png", quality);
    return path;
}

void settingsFinished(movelle::Form1& f, const std::string& count, const std::string& rate)
{
    f.Text1.setText(count);
    f.Text2.setText(rate);
    f.Command4.click();
}

}
