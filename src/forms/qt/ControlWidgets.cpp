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

namespace forms::qt {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// Ancestors of a directory, root first, each with its indentation level.
QStringList ancestors(const std::string& path)
{
    QStringList result { QStringLiteral("/") };
    QString current;
    for (const QString& part : qs(path).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current += QLatin1Char('/') + part;
        result << current;
    }
    return result;
}

// The directory list: its ancestors from the root down, then its subdirectories. Activating
// an entry (double-click or Enter) opens it, as a directory list does.
void fillDirList(forms::DirList& dir, QListWidget* list)
{
    const QSignalBlocker blocker(list);
    list->clear();
    const QStringList chain = ancestors(dir.path());
    int depth = 0;
    for (const QString& path : chain) {
        QString name = path == QLatin1String("/") ? path : path.section(QLatin1Char('/'), -1);
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, list);
        item->setData(Qt::UserRole, path);
        item->setIcon(QIcon::fromTheme(QStringLiteral("folder-open")));
        ++depth;
    }
    list->setCurrentRow(list->count() - 1);
    for (const std::string& name : dir.subdirectories()) {
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + qs(name), list);
        item->setData(Qt::UserRole, qs(forms::FileSystem::join(dir.path(), name)));
        item->setIcon(QIcon::fromTheme(QStringLiteral("folder")));
    }
}

void fillFileList(forms::FileList& files, QListWidget* list)
{
    const QSignalBlocker blocker(list);
    list->clear();
    for (const std::string& name : files.files())
        list->addItem(qs(name));
    const auto found = list->findItems(qs(files.fileName()), Qt::MatchExactly);
    list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
}

void fillDriveList(forms::DriveList& drives, QComboBox* box)
{
    const QSignalBlocker blocker(box);
    box->clear();
    for (const std::string& d : drives.drives())
        box->addItem(qs(d));
    box->setCurrentText(qs(drives.drive()));
}

// An embedded object shown as an icon: its class's icon with a label, inside the container's
// sunken border. A double-click activates it.
class OleWidget final : public QFrame {
public:
    explicit OleWidget(forms::OleContainer& ole, QWidget* parent)
        : QFrame(parent)
        , m_ole(ole)
    {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setToolTip(qs(ole.className()));
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
        QObject::connect(edit, &QLineEdit::textEdited, edit, [&box](const QString& text) { box.setText(text.toStdString()); });
        widget = edit;
        break;
    }
    case forms::ControlKind::ComboBox: {
        auto& combo = static_cast<forms::ComboBox&>(control);
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box,
                         [&combo](const QString& text) { combo.edit(text.toStdString()); });
        QObject::connect(box, qOverload<int>(&QComboBox::activated), box, [&combo](int i) { combo.choose(i); });
        widget = box;
        break;
    }
    case forms::ControlKind::DriveList: {
        auto& drives = static_cast<forms::DriveList&>(control);
        auto* box = new QComboBox(parent);
        QObject::connect(box, &QComboBox::textActivated, box,
                         [&drives](const QString& text) { drives.choose(text.toStdString()); });
        widget = box;
        break;
    }
    case forms::ControlKind::DirList: {
        auto& dir = static_cast<forms::DirList&>(control);
        auto* list = new QListWidget(parent);
        QObject::connect(list, &QListWidget::itemActivated, list, [&dir](QListWidgetItem* item) {
            dir.open(item->data(Qt::UserRole).toString().toStdString());
        });
        widget = list;
        break;
    }
    case forms::ControlKind::FileList: {
        auto& files = static_cast<forms::FileList&>(control);
        auto* list = new QListWidget(parent);
        QObject::connect(list, &QListWidget::currentTextChanged, list, [&files](const QString& text) {
            if (!text.isEmpty())
                files.select(text.toStdString());
        });
        widget = list;
        break;
    }
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
        if (property == Property::Text && edit->text() != qs(box.text()))
            edit->setText(qs(box.text()));
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
    case forms::ControlKind::DriveList:
        fillDriveList(static_cast<forms::DriveList&>(control), static_cast<QComboBox*>(widget));
        break;
    case forms::ControlKind::DirList:
        if (property == Property::Items || property == Property::Path)
            fillDirList(static_cast<forms::DirList&>(control), static_cast<QListWidget*>(widget));
        break;
    case forms::ControlKind::FileList:
        fillFileList(static_cast<forms::FileList&>(control), static_cast<QListWidget*>(widget));
        break;
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
