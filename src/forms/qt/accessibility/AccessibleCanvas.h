// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>

namespace forms::qt {

class Canvas;

// A window's client area: its children are the drawn labels and pictures and the real widgets
// together, in the window's creation order, as its view lists them.
class AccessibleCanvas final : public QAccessibleWidget {
public:
    explicit AccessibleCanvas(Canvas* canvas);

    // Makes the canvas's interface when Qt asks for one; installed once.
    static void installFactory();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
};

}
