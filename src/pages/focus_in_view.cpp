#include "pages/focus_in_view.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>

namespace keyloft {
namespace {

// Along one scroll bar: a span from `start` of `length`, in a view of `shown`.
void Reveal(QScrollBar* bar, int start, int length, int shown) {
    constexpr int kMargin = 4;
    if (start - kMargin < bar->value() || length + 2 * kMargin > shown)
        bar->setValue(start - kMargin);
    else if (start + length + kMargin > bar->value() + shown)
        bar->setValue(start + length + kMargin - shown);
}

void ScrollTo(QScrollArea* area, QWidget* focused) {
    QWidget* content = area->widget();
    if (focused == nullptr || content == nullptr || !content->isAncestorOf(focused)) return;
    // QScrollArea::ensureWidgetVisible keeps only a box's cursor in view.
    const QRect box(focused->mapTo(content, QPoint(0, 0)), focused->size());
    Reveal(area->verticalScrollBar(), box.top(), box.height(), area->viewport()->height());
    Reveal(area->horizontalScrollBar(), box.left(), box.width(), area->viewport()->width());
}

}  // namespace

void KeepFocusInView(QScrollArea* area) {
    QObject::connect(qApp, &QApplication::focusChanged, area,
                     [area](QWidget*, QWidget* now) { ScrollTo(area, now); });
}

}  // namespace keyloft
