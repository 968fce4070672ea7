#include "entries/search_box.h"

#include <QKeyEvent>

namespace keyloft {

SearchBox::SearchBox(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("txtSearch"));
    setClearButtonEnabled(true);
    setPlaceholderText(QStringLiteral("Description, user, notes, web site, e-mail or category"));
}

bool SearchBox::event(QEvent* event) {
    // Escape is the box's own key, before any shortcut of the window sees it.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void SearchBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        clear();  // Undo brings the text back
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace keyloft
