// SPDX-License-Identifier: MIT
#include "export/PngSequenceEncoder.h"

#include "export/ExportError.h"

#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <filesystem>

namespace exporter {

PngSequenceEncoder::PngSequenceEncoder(std::string directory, std::string pattern)
    : m_directory(std::move(directory))
    , m_pattern(std::move(pattern))
{
}

std::string PngSequenceEncoder::fileName(const std::string& pattern, int number)
{
    // The pattern holds exactly one %d conversion with an optional 0 flag and width of up to two
    // digits (checked by the options), and %% for a percent sign.
    std::string name;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            name.push_back(pattern[i]);
            continue;
        }
        if (pattern[i + 1] == '%') {
            name.push_back('%');
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        const bool zeros = pattern[j] == '0';
        if (zeros)
            ++j;
        std::size_t width = 0;
        while (pattern[j] != 'd')
            width = width * 10 + static_cast<std::size_t>(pattern[j++] - '0');
        std::string digits = std::to_string(number);
        if (digits.size() < width)
            digits.insert(0, width - digits.size(), zeros ? '0' : ' ');
        name += digits;
        i = j;
    }
    return name;
}

std::string PngSequenceEncoder::directoryPattern(int frames)
{
    const std::size_t width = std::max<std::size_t>(4, std::to_string(frames).size());
    return "frame%0" + std::to_string(width) + "d.png";
}

void PngSequenceEncoder::addFrame(const QImage& frame, std::int64_t)
{
    const std::string path = (std::filesystem::path(m_directory) / fileName(m_pattern, ++m_number)).string();
    QImageWriter writer(QString::fromStdString(path), "png");
    if (!writer.write(frame)) {
        throw ExportError(ExportError::Kind::Output,
                          "cannot write " + path + ": " + writer.errorString().toStdString());
    }
}

}
