// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// Byte-wise writes into test data. qToLittleEndian on QByteArray::data() trips GCC's array-bounds
// warning in sanitizer builds, where it cannot rule out the shared empty array.
namespace pictures::test {

inline void setLe16(QByteArray& d, qsizetype at, quint32 v)
{
    d[at] = char(v & 0xff);
    d[at + 1] = char((v >> 8) & 0xff);
}

inline void setLe32(QByteArray& d, qsizetype at, quint32 v)
{
    setLe16(d, at, v & 0xffff);
    setLe16(d, at + 2, v >> 16);
}

inline quint32 le16(const QByteArray& d, qsizetype at)
{
    return quint8(d[at]) | quint32(quint8(d[at + 1])) << 8;
}

inline quint32 le32(const QByteArray& d, qsizetype at)
{
    return le16(d, at) | le16(d, at + 2) << 16;
}

}
