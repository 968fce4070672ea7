#include "pages/focus_in_view.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>

namespace keyloft {
namespace {

void ScrollTo(QScrollArea* area, QWidget* focused) {
    QWidget* content = area->widget();
    if (focused == nullptr || content == nullptr || !content->isAncestorOf(focused)) return;
    // QScrollArea::ensureWidgetVisible keeps only a box's cursor in view.
    constexpr int kMargin = 4;
    const QRect box(focused->mapTo(content, QPoint(0, 0)), focused->size());
    QScrollBar* bar = area->verticalScrollBar();
    const int height = area->viewport()->height();
    if (box.top() - kMargin < bar->value() || box.height() + 2 * kMargin > height)
        bar->setValue(box.top() - kMargin);
    else if (box.bottom() + kMargin >= bar->value() + height)
        bar->setValue(box.bottom() + kMargin - height + 1);
    QScrollBar* across = area->horizontalScrollBar();
    const int width = area->viewport()->width();
    if (box.left() - kMargin < across->value() || box.width() + 2 * kMargin > width)
        across->setValue(box.left() - kMargin);
    else if (box.right() + kMargin >= across->value() + width)
        across->setValue(box.right() + kMargin - width + 1);
}

}  // namespace

void KeepFocusInView(QScrollArea* area) {
    QObject::connect(qApp, &QApplication::focusChanged, area, [area](QWidget*, QWidget* now) { ScrollTo(area, now); });
}

}  // namespace keyloft
