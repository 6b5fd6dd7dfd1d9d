// SPDX-License-Identifier: MIT
#include "pictures/PictureError.h"

namespace pictures {

namespace {

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

}

std::string PictureError::message() const
{
    const bool hasSize = m_width >= 0 && m_height >= 0;
    switch (m_problem) {
    case Problem::None: return {};
    case Problem::NoSuchFile: return "no such file";
    case Problem::NotAFile: return m_detail.empty() ? "not a regular file" : m_detail;
    case Problem::CannotOpen: return m_detail.empty() ? "the file cannot be opened" : m_detail;
    case Problem::NotAPicture: return "not a picture Movelle can read";
    case Problem::Damaged: return "the picture data is damaged or incomplete";
    case Problem::Unsupported:
        return m_detail.empty() ? "this kind of picture is not supported"
                                : "this kind of picture is not supported (" + m_detail + ")";
    case Problem::TooLarge:
        return hasSize ? "picture is too large (" + sizeText(m_width, m_height) + ")" : "picture is too large";
    case Problem::Empty: return hasSize ? "the picture is empty (" + sizeText(m_width, m_height) + ")" : "the file is empty";
    case Problem::TimedOut: return m_detail.empty() ? "reading the picture took too long" : m_detail;
    case Problem::HelperFailed: return m_detail.empty() ? "the picture reader stopped unexpectedly" : m_detail;
    case Problem::OutOfMemory:
        return hasSize ? "not enough memory for a " + sizeText(m_width, m_height) + " picture"
                       : "not enough memory for the picture";
    case Problem::TooComplex: return "the metafile draws more than a picture can take";
    }
    return {};
}

std::string PictureError::text() const
{
    return m_file.empty() ? message() : "cannot read " + m_file + ": " + message();
}

}
