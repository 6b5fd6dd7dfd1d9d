// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QListWidgetItem>
#include <QString>

#include <string>

namespace forms::qt {

inline QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// Names and paths travel as the file system's own bytes in each item's data, so a name that is
// not valid UTF-8 still reaches the model exactly; the text is only for showing.
inline QByteArray bytes(const std::string& s)
{
    return QByteArray::fromStdString(s);
}

inline std::string itemBytes(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

}
