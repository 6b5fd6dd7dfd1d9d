// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Picture.h"

namespace pictures {
class PictureStore;
}

namespace forms::qt {

// LoadPicture through the picture store: our own readers and Qt's, one source per file, decoded
// pictures in a cache with a byte budget.
class QtPictureDecoder final : public PictureDecoder {
public:
    // The program's store unless told otherwise.
    QtPictureDecoder();
    explicit QtPictureDecoder(pictures::PictureStore& store);

    Picture decode(const std::string& path) override;
    void decodeAhead(const std::vector<Picture>& upcoming) override;

    pictures::PictureStore& store() const { return m_store; }

private:
    pictures::PictureStore& m_store;
};

}
