// SPDX-License-Identifier: MIT
#include "forms/qt/accessibility/AccessibleCanvas.h"

#include "forms/qt/Canvas.h"
#include "forms/qt/accessibility/AccessibleView.h"

namespace forms::qt {

namespace {

QAccessibleInterface* canvasFactory(const QString&, QObject* object)
{
    if (auto* canvas = dynamic_cast<Canvas*>(object))
        return new AccessibleCanvas(canvas);
    return nullptr;
}

}

AccessibleCanvas::AccessibleCanvas(Canvas* canvas)
    : QAccessibleWidget(canvas, QAccessible::Client)
{
}

void AccessibleCanvas::installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(canvasFactory);
        return true;
    }();
    (void)installed;
}

int AccessibleCanvas::childCount() const
{
    AccessibleView* view = AccessibleView::of(widget());
    return view ? view->childCount() : 0;
}

QAccessibleInterface* AccessibleCanvas::child(int index) const
{
    AccessibleView* view = AccessibleView::of(widget());
    return view ? view->child(index) : nullptr;
}

int AccessibleCanvas::indexOfChild(const QAccessibleInterface* child) const
{
    AccessibleView* view = AccessibleView::of(widget());
    return view ? view->indexOfChild(child) : -1;
}

QAccessibleInterface* AccessibleCanvas::childAt(int x, int y) const
{
    AccessibleView* view = AccessibleView::of(widget());
    return view ? view->childAt(x, y) : nullptr;
}

}
