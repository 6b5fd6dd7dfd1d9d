// SPDX-License-Identifier: MIT
#include "pictures/PictureSource.h"

#include "pictures/PictureCache.h"

namespace pictures {

namespace {

// Formats whose bytes are compressed already: packing them again gains nothing.
bool isCompressed(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xD8") || bytes.startsWith("\x89PNG") || bytes.startsWith("GIF8");
}

}

PictureSource::PictureSource(QByteArray bytes, QSize size, bool hasAlpha, std::shared_ptr<PictureCache> cache)
    : m_stored(std::move(bytes))
    , m_size(size)
    , m_hasAlpha(hasAlpha)
    , m_cache(std::move(cache))
{
    if (m_stored.size() >= packFrom && !isCompressed(m_stored)) {
        QByteArray packed = qCompress(m_stored, 1);
        if (!packed.isEmpty() && packed.size() <= m_stored.size() / 4 * 3) {
            m_stored = std::move(packed);
            m_packed = true;
        }
    }
    m_stored.squeeze();
}

PictureSource::~PictureSource()
{
    if (m_cache)
        m_cache->forget(*this);
}

QByteArray PictureSource::bytes() const
{
    return m_packed ? qUncompress(m_stored) : m_stored;
}

}
