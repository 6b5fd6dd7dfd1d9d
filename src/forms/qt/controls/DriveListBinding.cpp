// SPDX-License-Identifier: MIT
#include "forms/qt/controls/DriveListBinding.h"

#include "forms/DriveList.h"
#include "forms/qt/controls/ItemText.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace forms::qt {

namespace {

// The drive list looks for newly mounted volumes each time the user opens it.
class DriveBox final : public QComboBox {
public:
    DriveBox(forms::DriveList& drives, QWidget* parent)
        : QComboBox(parent)
        , m_drives(drives)
    {
        connect(this, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_drives.choose(itemData(i).toByteArray().toStdString()); });
    }

    void showPopup() override
    {
        m_drives.refresh();
        QComboBox::showPopup();
    }

private:
    forms::DriveList& m_drives;
};

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

}

DriveListBinding::DriveListBinding()
    : ControlBinding(false)
{
}

QString DriveListBinding::accessibleName(const forms::Control&) const
{
    return QStringLiteral("Drive");
}

QWidget* DriveListBinding::makeWidget(forms::Control& control, QWidget* parent) const
{
    return new DriveBox(static_cast<forms::DriveList&>(control), parent);
}

void DriveListBinding::syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const
{
    auto& drives = static_cast<forms::DriveList&>(control);
    auto* box = static_cast<QComboBox*>(&widget);
    if (property == forms::Property::Items)
        fillDriveList(drives, box);
    if (property == forms::Property::Items || property == forms::Property::Drive)
        showDrive(drives, box);
}

}
