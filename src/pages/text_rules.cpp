#include "pages/text_rules.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "store/text_convert.h"

namespace keyloft {

QString TrimBlanks(const QString& text) {
    const std::u16string units = text.toStdU16String();
    const std::u16string_view trimmed = TrimBlanks(std::u16string_view(units));
    return QString::fromUtf16(trimmed.data(), static_cast<qsizetype>(trimmed.size()));
}

void EmptyBox(QLineEdit* box) { box->setText(QString()); }

void EmptyBox(QPlainTextEdit* box) {
    box->setPlainText(QString());
    box->document()->clearUndoRedoStacks();
}

std::optional<double> LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' ')) {
        ++i;
    }
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        ++i;
    }
    const qsizetype digitsStart = i;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
    }
    bool anyDigit = i > digitsStart;
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        const qsizetype fractionStart = i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            ++i;
        }
        anyDigit = anyDigit || i > fractionStart;
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

}  // namespace keyloft
