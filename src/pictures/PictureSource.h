// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QSize>

#include <cstdint>
#include <memory>

namespace pictures {

class PictureCache;

// What LoadPicture read from one file: its bytes, and what they decode to (the size, and whether
// any pixel is see-through). Immutable: a file changed or deleted on disk afterwards changes no
// frame that shows it. Large raw pixels (BMP, PCX, TIFF) are kept packed, losslessly, rather than
// once as a file and again as a decode.
class PictureSource {
public:
    // Bytes at least this large are packed when packing saves a quarter of them.
    static constexpr qsizetype packFrom = 256 * 1024;

    PictureSource(QByteArray bytes, QSize size, bool hasAlpha, std::shared_ptr<PictureCache> cache);
    ~PictureSource();
    PictureSource(const PictureSource&) = delete;
    PictureSource& operator=(const PictureSource&) = delete;

    QSize size() const { return m_size; }
    bool hasAlpha() const { return m_hasAlpha; }
    // The file's bytes, exactly as they were read.
    QByteArray bytes() const;
    // What keeping them costs.
    std::int64_t storedBytes() const { return m_stored.size(); }
    bool packed() const { return m_packed; }

private:
    QByteArray m_stored;
    QSize m_size;
    bool m_hasAlpha;
    bool m_packed = false;
    // The cache this source's decode lives in, told when the source goes.
    std::shared_ptr<PictureCache> m_cache;
};

}
