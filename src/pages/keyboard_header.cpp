#include "pages/keyboard_header.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QTreeView>

namespace keyloft {

KeyboardHeader::KeyboardHeader(QTreeView* list) : QHeaderView(Qt::Horizontal, list) {
    setObjectName(list->objectName() + QStringLiteral("Headings"));
    setAccessibleName(QStringLiteral("Column headings"));
    setFocusPolicy(Qt::TabFocus);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->setHeader(this);
    setSectionsClickable(true);
}

int KeyboardHeader::shownSectionFrom(int visual, int step) const {
    for (int at = visual; at >= 0 && at < count(); at += step) {
        const int logical = logicalIndex(at);
        if (!isSectionHidden(logical) && sectionSize(logical) > 0) return logical;
    }
    return -1;
}

void KeyboardHeader::choose(int logicalIndex) {
    if (logicalIndex < 0) return;
    chosen_ = logicalIndex;
    // The chosen heading scrolls into view with the list's columns.
    if (auto* list = qobject_cast<QTreeView*>(parentWidget())) {
        QScrollBar* bar = list->horizontalScrollBar();
        const int left = sectionPosition(logicalIndex);
        const int right = left + sectionSize(logicalIndex);
        if (left < bar->value())
            bar->setValue(left);
        else if (right > bar->value() + viewport()->width())
            bar->setValue(right - viewport()->width());
    }
    const QString heading = model() != nullptr
                                ? model()->headerData(logicalIndex, orientation()).toString().trimmed()
                                : QString();
    setAccessibleDescription(QStringLiteral("%1: Space sorts the list by this column").arg(heading));
    viewport()->update();
}

void KeyboardHeader::focusInEvent(QFocusEvent* event) {
    QHeaderView::focusInEvent(event);
    if (chosen_ < 0 || isSectionHidden(chosen_) || sectionSize(chosen_) == 0) {
        const int sorted = isSortIndicatorShown() ? sortIndicatorSection() : -1;
        choose(sorted >= 0 && sectionSize(sorted) > 0 ? sorted : shownSectionFrom(0, 1));
    } else {
        choose(chosen_);
    }
}

void KeyboardHeader::focusOutEvent(QFocusEvent* event) {
    QHeaderView::focusOutEvent(event);
    viewport()->update();
}

void KeyboardHeader::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier) {
        QHeaderView::keyPressEvent(event);
        return;
    }
    const int visual = chosen_ >= 0 ? visualIndex(chosen_) : 0;
    switch (event->key()) {
        case Qt::Key_Left:
            choose(shownSectionFrom(visual - 1, -1));
            break;
        case Qt::Key_Right:
            choose(shownSectionFrom(visual + 1, 1));
            break;
        case Qt::Key_Home:
            choose(shownSectionFrom(0, 1));
            break;
        case Qt::Key_End:
            choose(shownSectionFrom(count() - 1, -1));
            break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (chosen_ >= 0) emit sectionClicked(chosen_);
            break;
        default:
            QHeaderView::keyPressEvent(event);
            return;
    }
    event->accept();
}

void KeyboardHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (!hasFocus() || logicalIndex != chosen_) return;
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.rect = rect.adjusted(2, 2, -2, -2);
    frame.backgroundColor = palette().color(QPalette::Button);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter, this);
}

}  // namespace keyloft
