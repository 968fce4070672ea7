#pragma once
// Small text rules and measures shared by the window's handlers and views.

#include <optional>
#include <string>

#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace keyloft {

// Qt's form of the store's UTF-16 text.
inline QString QtText(const std::u16string& text) { return QString::fromStdU16String(text); }
inline QString QtText(const char16_t* text) { return QString::fromUtf16(text); }

// Leading and trailing blanks removed (blanks only: tabs and other spaces are kept), by the
// rule of store/text_convert.h.
QString TrimBlanks(const QString& text);

// Empties a box together with its undo history, so that nothing shown or typed in it can be
// brought back with Undo (QLineEdit::clear keeps it).
void EmptyBox(QLineEdit* box);
void EmptyBox(QPlainTextEdit* box);

// Pixels of a measure given in twips: 15 twips make a pixel at 96 dots per inch, to the nearest pixel.
constexpr int TwipsToPixels(int twips) { return (twips + 7) / 15; }

// The number at the start of a text, as the settings are read: leading blanks, an optional sign,
// digits and an optional fraction ("15", " 7.6", "12 minutes"). Nothing when there is no number.
std::optional<double> LeadingNumber(const QString& text);

}  // namespace keyloft
