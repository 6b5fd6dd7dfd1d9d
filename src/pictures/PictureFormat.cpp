// SPDX-License-Identifier: MIT
#include "pictures/PictureFormat.h"

#include "pictures/DibReader.h"
#include "pictures/IconReader.h"
#include "pictures/MetafileCheck.h"
#include "pictures/MetafilePlayer.h"
#include "pictures/PcxDecoder.h"

#include <QGuiApplication>

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

std::span<const std::uint8_t> bytesOf(QByteArrayView bytes)
{
    return { reinterpret_cast<const std::uint8_t*>(bytes.data()), std::size_t(bytes.size()) };
}

bool looksLikeWmf(QByteArrayView head)
{
    const MetafileCheck::Kind kind = MetafileCheck::sniff(bytesOf(head));
    return kind == MetafileCheck::Kind::PlaceableWmf || kind == MetafileCheck::Kind::Wmf;
}

bool looksLikeEmf(QByteArrayView head)
{
    return MetafileCheck::sniff(bytesOf(head)) == MetafileCheck::Kind::Emf;
}

Result<QImage> decodeMetafile(QByteArrayView file, const Limits& limits)
{
    // Text is laid out with the font database, which exists only in a GUI application.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return PictureError(Problem::Unsupported, "metafiles can only be drawn by the running program");
    return MetafilePlayer::play(bytesOf(file), limits, MetafilePlayer::Bounds {});
}

const std::array<PictureFormat, 6> formats { {
    { "bmp", looksLikeBmp, decodeBmp },
    { "ico", looksLikeIcon, decodeIcon },
    { "pcx", PcxDecoder::canDecode, decodePcx },
    { "wmf", looksLikeWmf, decodeMetafile },
    { "emf", looksLikeEmf, decodeMetafile },
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
