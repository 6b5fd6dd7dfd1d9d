// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/RecordBytes.h"

#include <QByteArrayView>

namespace pictures {

// The checked little-endian reader over bytes the Qt-based readers hold.
inline RecordBytes fieldsOf(QByteArrayView bytes)
{
    return RecordBytes(bytes.data(), std::size_t(bytes.size()));
}

}
