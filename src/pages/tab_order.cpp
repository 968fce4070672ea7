#include "pages/tab_order.h"

#include <QWidget>

namespace keyloft {

void ChainTabOrder(const QList<QWidget*>& order) {
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

QList<QWidget*> TabStopsIn(QWidget* container) {
    QList<QWidget*> stops;
    if (container == nullptr) return stops;
    // The focus chain runs through every widget of the window once.
    QWidget* start = container->window();
    QWidget* widget = start;
    do {
        if (widget != container && container->isAncestorOf(widget) &&
            (widget->focusPolicy() & Qt::TabFocus) && widget->focusProxy() == nullptr)
            stops.append(widget);
        widget = widget->nextInFocusChain();
    } while (widget != nullptr && widget != start);
    return stops;
}

}  // namespace keyloft
