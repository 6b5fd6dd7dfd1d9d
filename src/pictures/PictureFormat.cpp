// SPDX-License-Identifier: MIT
#include "pictures/PictureFormat.h"

#include "pictures/DibReader.h"
#include "pictures/IconReader.h"
#include "pictures/PcxDecoder.h"

#include <array>

namespace pictures {

namespace {

Result<QImage> decodePcx(QByteArrayView file, const Limits& limits)
{
    const Result<PcxDecoder> decoder = PcxDecoder::create(file, limits);
    if (!decoder)
        return decoder.error();
    return decoder->decode(limits);
}

const std::array<PictureFormat, 4> formats { {
    { "bmp", looksLikeBmp, decodeBmp },
    { "ico", looksLikeIcon, decodeIcon },
    { "pcx", PcxDecoder::canDecode, decodePcx },
    { "dib", looksLikePackedDib, decodePackedDib },
} };

}

std::span<const PictureFormat> ownPictureFormats()
{
    return formats;
}

const PictureFormat* ownPictureFormat(QByteArrayView head)
{
    for (const PictureFormat& f : formats) {
        if (f.sniff(head))
            return &f;
    }
    return nullptr;
}

const PictureFormat* ownPictureFormatNamed(QByteArrayView name)
{
    if (name == "cur")
        name = "ico";
    for (const PictureFormat& f : formats) {
        if (name == f.name)
            return &f;
    }
    return nullptr;
}

}
