// SPDX-License-Identifier: MIT
#include "forms/qt/ControlWidgets.h"

#include "forms/ComboBox.h"
#include "forms/CommandButton.h"
#include "forms/DriveList.h"
#include "forms/FileSystem.h"
#include "forms/OleContainer.h"
#include "forms/TextBox.h"
#include "forms/qt/Twips.h"

#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <QLabel>

#include <algorithm>

namespace forms::qt {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// Names and paths travel as the file system's own bytes in each item's data, so a name that is
// not valid UTF-8 still reaches the model exactly; the text is only for showing.
QByteArray bytes(const std::string& s)
{
    return QByteArray::fromStdString(s);
}

std::string itemBytes(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

// Ancestors of a directory, root first: "/", "/home", "/home/ann".
std::vector<std::string> ancestors(const std::string& path)
{
    std::vector<std::string> result { std::string(1, forms::FileSystem::kSeparator) };
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

void fillDriveList(forms::DriveList& drives, QComboBox* box)
{
    const QSignalBlocker blocker(box);
    box->clear();
    for (const std::string& d : drives.drives())
        box->addItem(qs(d), bytes(d));
}

void showDrive(forms::DriveList& drives, QComboBox* box)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(box->findData(bytes(drives.drive())));
}

// The drive list looks for newly mounted volumes each time the user opens it.
class DriveBox final : public QComboBox {
public:
    DriveBox(forms::DriveList& drives, QWidget* parent)
        : QComboBox(parent)
        , m_drives(drives)
    {
        connect(this, qOverload<int>(&QComboBox::activated), this, [this](int i) {
            m_drives.choose(itemData(i).toByteArray().toStdString());
        });
    }

    void showPopup() override
    {
        m_drives.refresh();
        QComboBox::showPopup();
    }

private:
    forms::DriveList& m_drives;
};

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

// An embedded object shown as an icon: its class's icon with a label, inside the container's
// sunken border. A double-click activates it.
class OleWidget final : public QFrame {
public:
    explicit OleWidget(forms::OleContainer& ole, QWidget* parent)
        : QFrame(parent)
        , m_ole(ole)
    {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(2, 2, 2, 2);
        m_icon = new QLabel(this);
        m_icon->setAlignment(Qt::AlignCenter);
        m_text = new QLabel(this);
        m_text->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_icon, 1);
        layout->addWidget(m_text);
        setFocusPolicy(Qt::StrongFocus);
    }

    void sync()
    {
        m_icon->setPixmap(QIcon(qs(m_ole.iconName())).pixmap(32, 32));
        m_text->setText(qs(m_ole.label()));
        setToolTip(qs(m_ole.className()));
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_ole.activate();
    }

private:
    forms::OleContainer& m_ole;
    QLabel* m_icon;
    QLabel* m_text;
};

}

bool hasWidget(forms::ControlKind kind)
{
    switch (kind) {
    case forms::ControlKind::CommandButton:
    case forms::ControlKind::TextBox:
    case forms::ControlKind::ComboBox:
    case forms::ControlKind::DriveList:
    case forms::ControlKind::DirList:
    case forms::ControlKind::FileList:
    case forms::ControlKind::OleContainer:
        return true;
    default:
        return false;
    }
}

QWidget* createControlWidget(forms::Control& control, QWidget* parent)
{
    QWidget* widget = nullptr;
    switch (control.kind()) {
    case forms::ControlKind::CommandButton: {
        auto& button = static_cast<forms::CommandButton&>(control);
        auto* push = new QPushButton(parent);
        push->setAutoDefault(false);
        QObject::connect(push, &QPushButton::clicked, push, [&button] { button.click(); });
        widget = push;
        break;
    }
    case forms::ControlKind::TextBox: {
        auto& box = static_cast<forms::TextBox&>(control);
        auto* edit = new QLineEdit(parent);
        // Every change the model did not make itself reaches it: typing, and also a screen reader
        // or UI-testing tool writing the text through the accessibility interface.
        QObject::connect(edit, &QLineEdit::textChanged, edit, [&box](const QString& text) { box.setText(text.toStdString()); });
        widget = edit;
        break;
    }
    case forms::ControlKind::ComboBox: {
        auto& combo = static_cast<forms::ComboBox&>(control);
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        // Inline completion would change the text beyond what the user typed; the text is taken
        // exactly as typed, and only picking from the list puts an item in.
        box->setCompleter(nullptr);
        QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box,
                         [&combo](const QString& text) { combo.edit(text.toStdString()); });
        QObject::connect(box, qOverload<int>(&QComboBox::activated), box, [&combo](int i) { combo.choose(i); });
        widget = box;
        break;
    }
    case forms::ControlKind::DriveList:
        widget = new DriveBox(static_cast<forms::DriveList&>(control), parent);
        break;
    case forms::ControlKind::DirList: {
        auto& dir = static_cast<forms::DirList&>(control);
        auto* list = new QListWidget(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        QObject::connect(list, &QListWidget::itemActivated, list,
                         [&dir](QListWidgetItem* item) { dir.open(itemBytes(item)); });
        widget = list;
        break;
    }
    case forms::ControlKind::FileList:
        widget = new FileListWidget(static_cast<forms::FileList&>(control), parent);
        break;
    case forms::ControlKind::OleContainer:
        widget = new OleWidget(static_cast<forms::OleContainer&>(control), parent);
        break;
    default:
        return nullptr;
    }
    widget->setObjectName(qs(control.name() + (control.index() >= 0 ? "(" + std::to_string(control.index()) + ")" : "")));
    syncAllOfControlWidget(control, widget);
    return widget;
}

void syncControlWidget(forms::Control& control, QWidget* widget, forms::Property property)
{
    using forms::Property;
    switch (property) {
    case Property::Enabled:
        widget->setEnabled(control.enabled());
        return;
    case Property::Visible:
        widget->setVisible(control.visible());
        return;
    case Property::Geometry:
        widget->setGeometry(pixelRect(control));
        return;
    default:
        break;
    }

    switch (control.kind()) {
    case forms::ControlKind::CommandButton: {
        auto& button = static_cast<forms::CommandButton&>(control);
        auto* push = static_cast<QPushButton*>(widget);
        if (property == Property::Caption && push->text() != qs(button.caption()))
            push->setText(qs(button.caption()));
        if (property == Property::Picture && !button.iconName().empty()) {
            push->setIcon(QIcon(qs(button.iconName())));
            push->setIconSize(pixelRect(button).size() - QSize(8, 8));
        }
        break;
    }
    case forms::ControlKind::TextBox: {
        auto& box = static_cast<forms::TextBox&>(control);
        auto* edit = static_cast<QLineEdit*>(widget);
        if (property == Property::Text && edit->text() != qs(box.text())) {
            // The model's own text must not come back to it: bytes that are not UTF-8 would
            // return changed.
            const QSignalBlocker blocker(edit);
            edit->setText(qs(box.text()));
        }
        if (property == Property::Look) {
            const bool hidden = box.passwordChar() != 0;
            edit->setEchoMode(hidden ? QLineEdit::Password : QLineEdit::Normal);
            // An input method's candidate window would show a password in clear.
            edit->setAttribute(Qt::WA_InputMethodEnabled, !hidden);
            edit->setInputMethodHints(hidden ? Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText
                                             : Qt::ImhNone);
            // The style's own mask character is a bullet; the box shows the one it was given.
            if (hidden || !edit->styleSheet().isEmpty())
                edit->setStyleSheet(hidden ? QStringLiteral("lineedit-password-character: %1")
                                                 .arg(static_cast<unsigned char>(box.passwordChar()))
                                           : QString());
        }
        if (property == Property::Selection) {
            // Select from the end back to the start, so the caret stands at the start.
            edit->setSelection(box.selStart() + box.selLength(), -box.selLength());
        }
        break;
    }
    case forms::ControlKind::ComboBox: {
        auto& combo = static_cast<forms::ComboBox&>(control);
        auto* box = static_cast<QComboBox*>(widget);
        const QSignalBlocker blocker(box);
        if (property == Property::Items) {
            box->clear();
            for (const std::string& item : combo.items())
                box->addItem(qs(item));
        }
        if (box->currentText() != qs(combo.text()))
            box->setEditText(qs(combo.text()));
        break;
    }
    case forms::ControlKind::DriveList: {
        auto& drives = static_cast<forms::DriveList&>(control);
        auto* box = static_cast<QComboBox*>(widget);
        if (property == Property::Items)
            fillDriveList(drives, box);
        if (property == Property::Items || property == Property::Drive)
            showDrive(drives, box);
        break;
    }
    case forms::ControlKind::DirList:
        // A new path always comes with its new subdirectories, so the list is filled once.
        if (property == Property::Items)
            fillDirList(static_cast<forms::DirList&>(control), static_cast<QListWidget*>(widget));
        break;
    case forms::ControlKind::FileList: {
        // Refilling only when the files change keeps the user's scroll position while they
        // click through the files.
        auto& files = static_cast<forms::FileList&>(control);
        auto* list = static_cast<QListWidget*>(widget);
        if (property == Property::Items)
            fillFileList(files, list);
        else if (property == Property::FileName || property == Property::Selection)
            showSelectedFile(files, list);
        break;
    }
    case forms::ControlKind::OleContainer:
        static_cast<OleWidget*>(widget)->sync();
        break;
    default:
        break;
    }
}

void syncAllOfControlWidget(forms::Control& control, QWidget* widget)
{
    using forms::Property;
    for (Property p : { Property::Geometry, Property::Enabled, Property::Caption, Property::Picture, Property::Text,
                        Property::Look, Property::Items, Property::Path })
        syncControlWidget(control, widget, p);
    widget->setVisible(control.visible());
}

}
