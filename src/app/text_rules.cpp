#include "app/text_rules.h"

namespace keyloft {

QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' ')) {
        ++first;
    }
    while (last > first && text.at(last - 1) == QLatin1Char(' ')) {
        --last;
    }
    return text.mid(first, last - first);
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
