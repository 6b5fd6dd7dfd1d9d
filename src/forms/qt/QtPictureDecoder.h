// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Picture.h"

namespace forms::qt {

// LoadPicture through Qt's image reader and our own format handlers.
class QtPictureDecoder final : public PictureDecoder {
public:
    Picture decode(const std::string& path) override;
};

}
