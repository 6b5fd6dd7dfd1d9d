// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Picture.h"

#include <memory>

namespace pictures {
class PictureSource;
class PictureStore;
}

namespace forms::qt {

// A picture read from a file: the source the store keeps for that file, decoded on demand through
// the store's cache. Copying the handle shares the source; the file is never read again.
class StoredPicture final : public PictureData {
public:
    StoredPicture(std::shared_ptr<const pictures::PictureSource> source, pictures::PictureStore& store);

    int width() const override;
    int height() const override;
    const std::shared_ptr<const pictures::PictureSource>& source() const { return m_source; }
    pictures::PictureStore& store() const { return m_store; }

    // The source behind a picture, or null when it holds none or pixels of another kind.
    static const StoredPicture* of(const Picture& picture);

private:
    std::shared_ptr<const pictures::PictureSource> m_source;
    pictures::PictureStore& m_store;
};

}
