// SPDX-License-Identifier: MIT
#include "forms/qt/controls/DirListBinding.h"

#include "forms/DriveList.h"
#include "forms/FileSystem.h"
#include "forms/qt/controls/ItemText.h"

#include <QIcon>
#include <QListWidget>
#include <QSignalBlocker>

#include <vector>

namespace forms::qt {

namespace {

// Ancestors of a directory, root first: "/", "/home", "/home/ann".
std::vector<std::string> ancestors(const std::string& path)
{
    std::vector<std::string> result {std::string(1, forms::FileSystem::kSeparator)};
    std::size_t start = 0;
    while ((start = path.find_first_not_of(forms::FileSystem::kSeparator, start)) != std::string::npos) {
        const std::size_t end = path.find(forms::FileSystem::kSeparator, start);
        result.push_back(path.substr(0, end));
        start = end;
    }
    return result;
}

// The directory list: its ancestors from the root down, indented one step per level, then its
// subdirectories one step further in. Activating an entry (double-click or Enter) opens it.
void fillDirList(forms::DirList& dir, QListWidget* list)
{
    const QSignalBlocker blocker(list);
    list->clear();
    const std::vector<std::string> chain = ancestors(dir.path());
    const QIcon open = QIcon::fromTheme(QStringLiteral("folder-open"));
    int depth = 0;
    for (const std::string& path : chain) {
        const std::size_t slash = path.find_last_of(forms::FileSystem::kSeparator);
        const std::string name = depth == 0 ? path : path.substr(slash + 1);
        auto* item = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + qs(name), list);
        item->setData(Qt::UserRole, bytes(path));
        ++depth;
    }
    list->setCurrentRow(list->count() - 1);
    const QIcon closed = QIcon::fromTheme(QStringLiteral("folder"));
    for (const std::string& name : dir.subdirectories()) {
        auto* item = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + qs(name), list);
        item->setData(Qt::UserRole, bytes(forms::FileSystem::join(dir.path(), name)));
    }
    list->scrollToItem(list->currentItem());
}

}

DirListBinding::DirListBinding()
    : ControlBinding(false)
{
}

QString DirListBinding::accessibleName(const forms::Control&) const
{
    return QStringLiteral("Directory");
}

QWidget* DirListBinding::makeWidget(forms::Control& control, QWidget* parent) const
{
    auto& dir = static_cast<forms::DirList&>(control);
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    QObject::connect(
        list, &QListWidget::itemActivated, list, [&dir](QListWidgetItem* item) { dir.open(itemBytes(item)); });
    return list;
}

void DirListBinding::syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const
{
    // A new path always comes with its new subdirectories, so the list is filled once.
    if (property == forms::Property::Items)
        fillDirList(static_cast<forms::DirList&>(control), static_cast<QListWidget*>(&widget));
}

}
