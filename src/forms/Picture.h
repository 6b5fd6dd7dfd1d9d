// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace forms {

// The decoded pixels behind a picture. The binding keeps its own image type behind this
// interface; headless code can use PlainPicture.
class PictureData {
public:
    virtual ~PictureData() = default;
    virtual int width() const = 0;   // pixels
    virtual int height() const = 0;  // pixels
};

// A picture value: a shared handle to immutable decoded pixels, or nothing. Assigning a picture
// copies the handle, never the pixels, so one decoded file can stand in any number of frames.
class Picture {
public:
    Picture() = default;
    explicit Picture(std::shared_ptr<const PictureData> data)
        : m_data(std::move(data))
    {
    }

    bool isNull() const { return !m_data; }
    int width() const { return m_data ? m_data->width() : 0; }
    int height() const { return m_data ? m_data->height() : 0; }
    const PictureData* data() const { return m_data.get(); }
    long useCount() const { return m_data.use_count(); }

    friend bool operator==(const Picture& a, const Picture& b) { return a.m_data == b.m_data; }

private:
    std::shared_ptr<const PictureData> m_data;
};

// Pixels in a plain RGBA buffer, for code that runs without a toolkit.
class PlainPicture final : public PictureData {
public:
    PlainPicture(int width, int height, bool allocatePixels = false)
        : m_width(width)
        , m_height(height)
    {
        if (allocatePixels)
            m_rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xffffffffu);
    }

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    const std::vector<std::uint32_t>& rgba() const { return m_rgba; }

private:
    int m_width;
    int m_height;
    std::vector<std::uint32_t> m_rgba;
};

// Reads picture files. LoadPicture goes through the application's decoder.
class PictureDecoder {
public:
    // Throws forms::Error (BadPicture) naming the file and the cause.
    virtual Picture decode(const std::string& path) = 0;
    // The pictures that will be shown next, in order: a decoder that keeps pictures compressed
    // may decode them now, away from the user-interface thread. Only a hint.
    virtual void decodeAhead(const std::vector<Picture>& /*upcoming*/) { }

protected:
    virtual ~PictureDecoder() = default;
};

}
