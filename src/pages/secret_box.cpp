#include "pages/secret_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace keyloft {

SecretBox::SecretBox(QWidget* parent) : QLineEdit(parent) {}

// A left-button release copies the selection to the primary selection: the selection is put aside
// for it and back afterwards, cursor end included.
void SecretBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !hasSelectedText()) {
        QLineEdit::mouseReleaseEvent(event);
        return;
    }
    const int start = selectionStart();
    const int length = selectionLength();
    const bool backwards = cursorPosition() == start;
    {
        const QSignalBlocker quiet(this);
        deselect();
    }
    QLineEdit::mouseReleaseEvent(event);
    const QSignalBlocker quiet(this);
    if (backwards) {
        setSelection(start + length, -length);
    } else {
        setSelection(start, length);
    }
}

void SecretBox::keyPressEvent(QKeyEvent* event) {
    if (selectWithoutPrimary(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
    // Any other key the box handled with a selection left in place (rare ones such as Ctrl+Up)
    // has copied it: taken off again at once.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelectedText() && echoMode() == Normal && clipboard->supportsSelection() &&
        clipboard->ownsSelection() && clipboard->text(QClipboard::Selection) == selectedText()) {
        clipboard->clear(QClipboard::Selection);
    }
}

// The same steps as the box's own handling of these keys, through its public functions, which do
// not touch the primary selection.
bool SecretBox::selectWithoutPrimary(QKeyEvent* event) {
    const bool visual = cursorMoveStyle() == Qt::VisualMoveStyle;
    const bool leftToRight = layoutDirection() == Qt::LeftToRight;
    const int forward = visual || leftToRight ? 1 : -1;
    // Hidden text moves by whole text, as the box does: no word can be told from another.
    const bool words = echoMode() == Normal;
    if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::SelectNextChar) {
        cursorForward(true, forward);
    } else if (event == QKeySequence::SelectPreviousChar) {
        cursorForward(true, -forward);
    } else if (event == QKeySequence::SelectStartOfLine || event == QKeySequence::SelectStartOfBlock) {
        home(true);
    } else if (event == QKeySequence::SelectEndOfLine || event == QKeySequence::SelectEndOfBlock) {
        end(true);
    } else if (event == QKeySequence::SelectNextWord) {
        if (words) {
            leftToRight ? cursorWordForward(true) : cursorWordBackward(true);
        } else {
            leftToRight ? end(true) : home(true);
        }
    } else if (event == QKeySequence::SelectPreviousWord) {
        if (words) {
            leftToRight ? cursorWordBackward(true) : cursorWordForward(true);
        } else {
            leftToRight ? home(true) : end(true);
        }
    } else if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::Undo) {
        if (!isReadOnly()) undo();
    } else if (event == QKeySequence::Redo) {
        if (!isReadOnly()) redo();
    } else {
        return false;
    }
    return true;
}

}  // namespace keyloft
