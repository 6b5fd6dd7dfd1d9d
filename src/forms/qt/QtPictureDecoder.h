// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Picture.h"

#include <memory>

namespace pictures {
class PictureStore;
}

namespace forms::qt {

// LoadPicture through the picture store: our own readers and Qt's, one source per file, decoded
// pictures in a cache with a byte budget.
class QtPictureDecoder final : public PictureDecoder {
public:
    // A store of its own (tests and benchmarks), or the one given (the program's, made in main).
    QtPictureDecoder();
    explicit QtPictureDecoder(pictures::PictureStore& store);
    ~QtPictureDecoder() override;
    QtPictureDecoder(const QtPictureDecoder&) = delete;
    QtPictureDecoder& operator=(const QtPictureDecoder&) = delete;

    Picture decode(const std::string& path) override;
    void decodeAhead(const std::vector<Picture>& upcoming) override;

    pictures::PictureStore& store() const { return m_store; }

private:
    std::unique_ptr<pictures::PictureStore> m_ownStore;
    pictures::PictureStore& m_store;
};

}
