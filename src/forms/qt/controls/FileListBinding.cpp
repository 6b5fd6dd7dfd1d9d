// SPDX-License-Identifier: MIT
#include "forms/qt/controls/FileListBinding.h"

#include "forms/DriveList.h"
#include "forms/qt/controls/ItemText.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace forms::qt {

namespace {

// Highlights the model's selected file, or nothing.
void showSelectedFile(forms::FileList& files, QListWidget* list)
{
    const QSignalBlocker blocker(list);
    list->setSelectionMode(files.multiSelect() ? QAbstractItemView::ExtendedSelection
                                               : QAbstractItemView::SingleSelection);
    const QByteArray selected = bytes(files.fileName());
    if (files.selectedFiles().size() > 1) {
        // Several files: each highlighted, the one clicked last current. Items already in that
        // state are left alone, so a Shift-click range keeps its anchor.
        const std::vector<std::string>& names = files.selectedFiles();
        for (int row = 0; row < list->count(); ++row) {
            QListWidgetItem* item = list->item(row);
            const std::string name = itemBytes(item);
            item->setSelected(std::find(names.begin(), names.end(), name) != names.end());
            if (name == files.fileName() && list->currentItem() != item)
                list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        }
        return;
    }
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        if (!selected.isEmpty() && item->data(Qt::UserRole).toByteArray() == selected) {
            list->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
            list->scrollToItem(item);
            return;
        }
    }
    list->clearSelection();
}

void fillFileList(forms::FileList& files, QListWidget* list)
{
    {
        const QSignalBlocker blocker(list);
        list->clear();
        for (const std::string& name : files.files()) {
            auto* item = new QListWidgetItem(qs(name), list);
            item->setData(Qt::UserRole, bytes(name));
        }
    }
    showSelectedFile(files, list);
}

// The file list raises Click whenever the user selects a file, by mouse or by keyboard, and also
// when the user clicks the file that is selected already, so a failed preview can be retried.
// The focus alone selects nothing.
class FileListWidget final : public QListWidget {
public:
    FileListWidget(forms::FileList& files, QWidget* parent)
        : QListWidget(parent)
        , m_files(files)
    {
        setSelectionMode(files.multiSelect() ? QAbstractItemView::ExtendedSelection
                                             : QAbstractItemView::SingleSelection);
        connect(this, &QListWidget::itemSelectionChanged, this, [this] {
            const QList<QListWidgetItem*> chosen = selectedItems();
            if (chosen.isEmpty()) {
                // A control-click can take the highlight away; the model keeps its file.
                showSelectedFile(m_files, this);
                return;
            }
            if (m_files.multiSelect())
                selectSeveral();
            else
                m_files.select(itemBytes(chosen.first()));
        });
        // Shift+arrow moves the current file only after the selection changed; the preview
        // follows it. A move that leaves one file selected was told already.
        connect(this, &QListWidget::currentItemChanged, this, [this] {
            if (m_files.multiSelect() && selectedItems().size() > 1)
                selectSeveral();
        });
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QListWidgetItem* before = currentItem();
        const bool wasSelected = before && before->isSelected();
        QListWidget::mousePressEvent(event);
        QListWidgetItem* hit = itemAt(event->position().toPoint());
        if (hit && hit == before && wasSelected && hit->isSelected())
            m_files.select(itemBytes(hit));
    }

private:
    // Hands the model every highlighted file and the current one, which the user clicked last.
    void selectSeveral()
    {
        std::vector<std::string> names;
        for (int row = 0; row < count(); ++row) {
            if (item(row)->isSelected())
                names.push_back(itemBytes(item(row)));
        }
        m_files.select(names, currentItem() ? itemBytes(currentItem()) : std::string());
    }

    forms::FileList& m_files;
};

}

FileListBinding::FileListBinding()
    : ControlBinding(false)
{
}

QString FileListBinding::accessibleName(const forms::Control&) const
{
    return QStringLiteral("Files");
}

QWidget* FileListBinding::makeWidget(forms::Control& control, QWidget* parent) const
{
    return new FileListWidget(static_cast<forms::FileList&>(control), parent);
}

void FileListBinding::syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const
{
    // Refilling only when the files change keeps the user's scroll position while they click
    // through the files.
    auto& files = static_cast<forms::FileList&>(control);
    auto* list = static_cast<QListWidget*>(&widget);
    if (property == forms::Property::Items)
        fillFileList(files, list);
    else if (property == forms::Property::FileName || property == forms::Property::Selection)
        showSelectedFile(files, list);
}

}
