// SPDX-License-Identifier: MIT
#include "forms/qt/controls/OleContainerBinding.h"

#include "forms/OleContainer.h"
#include "forms/qt/controls/ItemText.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace forms::qt {

namespace {

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

OleContainerBinding::OleContainerBinding()
    : ControlBinding(false)
{
}

QWidget* OleContainerBinding::makeWidget(forms::Control& control, QWidget* parent) const
{
    return new OleWidget(static_cast<forms::OleContainer&>(control), parent);
}

void OleContainerBinding::syncProperty(forms::Control&, QWidget& widget, forms::Property) const
{
    static_cast<OleWidget&>(widget).sync();
}

}
