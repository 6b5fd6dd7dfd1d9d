// SPDX-License-Identifier: MIT
#include "Headless.h"

#include <QImage>
#include <QString>

#include <fstream>
#include <random>

namespace testing_support {

TempDir::TempDir()
{
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() / ("movelle-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::writePicture(const std::string& name, int width, int height, unsigned rgb) const
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb));
    const std::string path = (m_path / name).string();
    image.save(QString::fromStdString(path));
    return path;
}

std::string TempDir::writeFile(const std::string& name, const std::string& bytes) const
{
    const std::string path = (m_path / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

}
