#include "entries/expiry_date.h"

namespace keyloft {

int CenturyYear(int twoDigitYear) { return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear; }

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Reads between minDigits and maxDigits decimal digits at pos; -1 when fewer are there.
int readNumber(QStringView text, qsizetype& pos, int minDigits, int maxDigits, int& digits) {
    int value = 0;
    digits = 0;
    while (pos < text.size() && digits < maxDigits && isDigit(text[pos])) {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits ? value : -1;
}

void appendNumber(QString& out, int value, int width) {
    QString digits = QString::number(value);
    while (digits.size() < width) digits.prepend(u'0');
    out += digits;
}

}  // namespace

ExpiryDateReader::ExpiryDateReader(const QLocale& locale)
    : locale_(locale),
      shortFormat_(locale.dateFormat(QLocale::ShortFormat)),
      longFormat_(locale.dateFormat(QLocale::LongFormat)) {
    shortIsNumeric_ = compile(shortFormat_, shortTokens_);
}

bool ExpiryDateReader::compile(const QString& format, std::vector<Token>& tokens) {
    tokens.clear();
    bool numeric = true;
    auto addLiteral = [&tokens](QString text) {
        if (!tokens.empty() && tokens.back().kind == TokenKind::Literal)
            tokens.back().literal += text;
        else
            tokens.push_back({TokenKind::Literal, 0, std::move(text)});
    };
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == u'\'') {
            // Quoted literal; '' is a single quote.
            qsizetype j = i + 1;
            QString text;
            while (j < format.size()) {
                if (format[j] == u'\'') {
                    if (j + 1 < format.size() && format[j + 1] == u'\'') {
                        text += u'\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += format[j++];
            }
            if (j == i + 1 && text.isEmpty() && j < format.size() && format[j] == u'\'') text = QStringLiteral("'");
            addLiteral(text);
            i = j + 1;
            continue;
        }
        if (c == u'd' || c == u'M' || c == u'y') {
            qsizetype j = i;
            while (j < format.size() && format[j] == c) ++j;
            const int width = static_cast<int>(j - i);
            if (c == u'd') {
                if (width > 2) numeric = false;  // weekday name
                tokens.push_back({TokenKind::Day, width, {}});
            } else if (c == u'M') {
                if (width > 2) numeric = false;  // month name
                tokens.push_back({TokenKind::Month, width, {}});
            } else {
                if (width != 2 && width != 4) numeric = false;
                tokens.push_back({TokenKind::Year, width, {}});
            }
            i = j;
            continue;
        }
        addLiteral(QString(c));
        ++i;
    }
    return numeric;
}

QDate ExpiryDateReader::matchNumeric(const std::vector<Token>& tokens, QStringView text) {
    int day = -1, month = -1, year = -1;
    qsizetype pos = 0;
    for (const Token& token : tokens) {
        int digits = 0;
        switch (token.kind) {
        case TokenKind::Literal:
            if (!text.mid(pos).startsWith(token.literal)) return {};
            pos += token.literal.size();
            break;
        case TokenKind::Day:
            day = readNumber(text, pos, 1, 2, digits);
            if (day < 0) return {};
            break;
        case TokenKind::Month:
            month = readNumber(text, pos, 1, 2, digits);
            if (month < 0) return {};
            break;
        case TokenKind::Year:
            year = readNumber(text, pos, 2, 4, digits);
            if (year < 0 || digits == 3) return {};
            if (digits == 2) year = CenturyYear(year);
            break;
        }
    }
    if (pos != text.size() || day < 0 || month < 0 || year < 0) return {};
    return QDate(year, month, day);  // invalid for impossible days
}

bool ExpiryDateReader::isCardForm(QStringView text) { return text.size() == 5 && text[2] == u'/'; }

QDate ExpiryDateReader::readCardForm(QStringView text) {
    // "01/" + text, day/month/year.
    if (!isDigit(text[0]) || !isDigit(text[1]) || !isDigit(text[3]) || !isDigit(text[4])) return {};
    const int month = (text[0].unicode() - u'0') * 10 + (text[1].unicode() - u'0');
    const int year = (text[3].unicode() - u'0') * 10 + (text[4].unicode() - u'0');
    return QDate(CenturyYear(year), month, 1);
}

QDate ExpiryDateReader::readIso(QStringView text) {
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-') return {};
    static const std::vector<Token> iso = {{TokenKind::Year, 4, {}},  {TokenKind::Literal, 0, QStringLiteral("-")},
                                           {TokenKind::Month, 2, {}}, {TokenKind::Literal, 0, QStringLiteral("-")},
                                           {TokenKind::Day, 2, {}}};
    return matchNumeric(iso, text);
}

QDate ExpiryDateReader::readWithLocale(const QString& text) {
    const auto cached = slowCache_.constFind(text);
    if (cached != slowCache_.constEnd()) return *cached;
    QDate date;
    if (!shortIsNumeric_) {
        date = locale_.toDate(text, shortFormat_);
        if (!date.isValid() && shortFormat_.contains(QStringLiteral("yyyy"))) {
            QString twoDigit = shortFormat_;
            twoDigit.replace(QStringLiteral("yyyy"), QStringLiteral("yy"));
            date = locale_.toDate(text, twoDigit);
            if (date.isValid() && date.year() < 1930) date = date.addYears(100);
        }
    }
    if (!date.isValid()) date = locale_.toDate(text, longFormat_);
    slowCache_.insert(text, date);
    return date;
}

QDate ExpiryDateReader::read(QStringView text) {
    if (text.isEmpty()) return {};
    if (isCardForm(text)) return readCardForm(text);
    bool hasLetter = false;
    for (QChar c : text) {
        if (c.isLetter()) {
            hasLetter = true;
            break;
        }
    }
    if (!hasLetter) {
        if (shortIsNumeric_) {
            QDate date = matchNumeric(shortTokens_, text);
            if (date.isValid()) return date;
        }
        QDate date = readIso(text);
        if (date.isValid()) return date;
        if (shortIsNumeric_) return {};  // the long formats all carry names
    }
    return readWithLocale(text.toString());
}

QString ExpiryDateReader::write(QDate date) const {
    if (!date.isValid()) return {};
    const bool needsFullYear = date.year() < 1930 || date.year() > 2029;
    if (!shortIsNumeric_) {
        QString format = shortFormat_;
        if (needsFullYear && !format.contains(QStringLiteral("yyyy"))) format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
        return locale_.toString(date, format);
    }
    QString out;
    out.reserve(12);
    for (const Token& token : shortTokens_) {
        switch (token.kind) {
        case TokenKind::Literal: out += token.literal; break;
        case TokenKind::Day: appendNumber(out, date.day(), token.width); break;
        case TokenKind::Month: appendNumber(out, date.month(), token.width); break;
        case TokenKind::Year:
            if (token.width == 2 && !needsFullYear)
                appendNumber(out, date.year() % 100, 2);
            else
                appendNumber(out, date.year(), 4);
            break;
        }
    }
    return out;
}

}  // namespace keyloft
