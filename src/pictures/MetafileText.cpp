// SPDX-License-Identifier: MIT
#include "pictures/MetafileText.h"

#include <QStringDecoder>

namespace pictures {

int MetafileText::codePage(int charset)
{
    switch (charset) {
    case 2: return 42; // SYMBOL_CHARSET: the font's own glyph order
    case 77: return 10000; // MAC_CHARSET
    case 128: return 932; // SHIFTJIS_CHARSET
    case 129: return 949; // HANGUL_CHARSET
    case 130: return 1361; // JOHAB_CHARSET
    case 134: return 936; // GB2312_CHARSET
    case 136: return 950; // CHINESEBIG5_CHARSET
    case 161: return 1253; // GREEK_CHARSET
    case 162: return 1254; // TURKISH_CHARSET
    case 163: return 1258; // VIETNAMESE_CHARSET
    case 177: return 1255; // HEBREW_CHARSET
    case 178: return 1256; // ARABIC_CHARSET
    case 186: return 1257; // BALTIC_CHARSET
    case 204: return 1251; // RUSSIAN_CHARSET
    case 222: return 874; // THAI_CHARSET
    case 238: return 1250; // EASTEUROPE_CHARSET
    case 255: return 437; // OEM_CHARSET
    default: return 1252; // ANSI_CHARSET, DEFAULT_CHARSET and anything unknown
    }
}

QString MetafileText::decode(std::span<const std::uint8_t> bytes, int charset)
{
    const QByteArrayView view(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    const int page = codePage(charset);
    const char* name = nullptr;
    switch (page) {
    case 42: return QString::fromLatin1(view);
    case 10000: name = "macintosh"; break;
    case 932: name = "windows-31j"; break;
    case 949: name = "windows-949"; break;
    case 1361: name = "johab"; break;
    case 936: name = "GBK"; break;
    case 950: name = "windows-950"; break;
    case 874: name = "windows-874"; break;
    case 437: name = "IBM437"; break;
    default: break;
    }
    const QByteArray windowsName = "windows-" + QByteArray::number(page);
    QStringDecoder decoder(name ? name : windowsName.constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Latin1);
    return decoder.decode(view);
}

QString MetafileText::decodeWide(std::span<const std::uint8_t> bytes)
{
    QString text;
    text.reserve(qsizetype(bytes.size() / 2));
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.append(QChar(char16_t(bytes[i] | bytes[i + 1] << 8)));
    return text;
}

}
