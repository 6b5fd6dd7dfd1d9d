// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleInterface>

namespace forms {
class Control;
}

namespace forms::qt {

class AccessibleView;

// A label or picture that the canvas draws, as assistive technology sees it: static text named
// by its caption, or a graphic named by its frame. It has no widget behind it; its view makes it
// when a client first asks and deletes it with its control.
class AccessibleDrawnControl final : public QAccessibleInterface, public QAccessibleImageInterface {
public:
    AccessibleDrawnControl(AccessibleView& view, forms::Control& control);

    forms::Control& control() const { return m_control; }

    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleImageInterface
    QString imageDescription() const override;
    QSize imageSize() const override;
    QPoint imagePosition() const override;

private:
    AccessibleView& m_view;
    forms::Control& m_control;
};

}
