#include "pages/text_rules.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "store/text_convert.h"

namespace keyloft {

std::u16string TrimmedText(const QString& text) {
    const std::u16string units = text.toStdU16String();
    return std::u16string(TrimBlanks(units));
}

void EmptyBox(QLineEdit* box) { box->setText(QString()); }

void EmptyBox(QPlainTextEdit* box) {
    box->setPlainText(QString());
    box->document()->clearUndoRedoStacks();
}

}  // namespace keyloft
