#pragma once
// The Tab order of the window's views: the controls in the order the eye reads them.

#include <QList>

class QWidget;

namespace keyloft {

// Tab goes from each control of `order` to the next, in that order.
void ChainTabOrder(const QList<QWidget*>& order);

// The controls inside `container` that Tab can reach (shown or not), in their Tab order.
QList<QWidget*> TabStopsIn(QWidget* container);

}  // namespace keyloft
