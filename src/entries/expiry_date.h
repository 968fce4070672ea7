#pragma once
// Reading and writing the expiry dates of entries.
//
// A valid expiry text is a date in the locale's short format (two- or four-digit year), the
// locale's long format or yyyy-MM-dd. A two-digit year lands in 1930-2029. The card form MM/YY
// (five characters, "/" third) stands for the first day of that month, read as "01/" + text in
// day/month/year order whatever the locale. Dates are written back in the locale's short format.
//
// Reading is meant to be cheap enough for every row of a large list: the usual numeric short
// formats are matched by a small compiled pattern instead of the general date parser.

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <vector>

namespace keyloft {

class ExpiryDateReader {
public:
    explicit ExpiryDateReader(const QLocale& locale = QLocale());

    // True for the card form: exactly five characters with "/" as the third.
    static bool isCardForm(QStringView text);

    // The date a trimmed expiry text stands for; an invalid QDate when it is not a date.
    QDate read(QStringView text);

    // The date in the short format. A date whose year a two-digit form would not bring back
    // (outside 1930-2029) is written with four digits so that it reads back unchanged.
    QString write(QDate date) const;

    const QLocale& locale() const { return locale_; }

private:
    enum class TokenKind { Day, Month, Year, Literal };
    struct Token {
        TokenKind kind;
        int width;        // letters in the format (d=1, dd=2, yy=2, yyyy=4)
        QString literal;  // for Literal
    };

    static bool compile(const QString& format, std::vector<Token>& tokens);
    static QDate matchNumeric(const std::vector<Token>& tokens, QStringView text);
    static QDate readCardForm(QStringView text);
    static QDate readIso(QStringView text);
    QDate readWithLocale(const QString& text);

    QLocale locale_;
    QString shortFormat_;
    QString longFormat_;
    std::vector<Token> shortTokens_;
    bool shortIsNumeric_ = false;
    QHash<QString, QDate> slowCache_;  // texts that needed the general parser
};

// Year of a two-digit year: 30-99 in the 1900s, 00-29 in the 2000s.
int CenturyYear(int twoDigitYear);

}  // namespace keyloft
