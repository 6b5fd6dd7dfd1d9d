// SPDX-License-Identifier: MIT
#include "forms/qt/StoredPicture.h"

#include "forms/qt/QtPicture.h"
#include "pictures/PictureSource.h"
#include "pictures/PictureStore.h"

namespace forms::qt {

StoredPicture::StoredPicture(std::shared_ptr<const pictures::PictureSource> source, pictures::PictureStore& store)
    : m_source(std::move(source))
    , m_store(store)
{
}

int StoredPicture::width() const
{
    return m_source->size().width();
}

int StoredPicture::height() const
{
    return m_source->size().height();
}

const StoredPicture* StoredPicture::of(const Picture& picture)
{
    return dynamic_cast<const StoredPicture*>(picture.data());
}

QImage QtPicture::imageOf(const Picture& picture)
{
    if (const auto* held = dynamic_cast<const QtPicture*>(picture.data()))
        return held->image();
    if (const StoredPicture* stored = StoredPicture::of(picture)) {
        pictures::Result<QImage> image = stored->store().image(*stored->source());
        return image ? image.value() : QImage();
    }
    return {};
}

bool QtPicture::isOpaque(const Picture& picture)
{
    if (const auto* held = dynamic_cast<const QtPicture*>(picture.data()))
        return !held->image().isNull() && !held->image().hasAlphaChannel();
    if (const StoredPicture* stored = StoredPicture::of(picture))
        return !stored->source()->hasAlpha();
    return false;
}

}
