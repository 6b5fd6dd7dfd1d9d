// SPDX-License-Identifier: MIT
#include "forms/qt/controls/FileListBinding.h"

#include "forms/DriveList.h"
#include "forms/qt/controls/ItemText.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace forms::qt {

namespace {

// Highlights the model's selected file, or nothing.
void showSelectedFile(forms::FileList& files, QListWidget* list)
{
    const QSignalBlocker blocker(list);
    const QByteArray selected = bytes(files.fileName());
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        if (!selected.isEmpty() && item->data(Qt::UserRole).toByteArray() == selected) {
            list->setCurrentItem(item);
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
        setSelectionMode(QAbstractItemView::SingleSelection);
        connect(this, &QListWidget::itemSelectionChanged, this, [this] {
            const QList<QListWidgetItem*> chosen = selectedItems();
            if (chosen.isEmpty()) {
                // A control-click can take the highlight away; the model keeps its file.
                showSelectedFile(m_files, this);
                return;
            }
            m_files.select(itemBytes(chosen.first()));
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
    else if (property == forms::Property::FileName)
        showSelectedFile(files, list);
}

}
