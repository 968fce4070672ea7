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

// A widget's text as the store keeps it: UTF-16 with the blanks at both ends removed by the
// store's TrimBlanks (blanks only: tabs and other spaces are kept).
std::u16string TrimmedText(const QString& text);

// Empties a box together with its undo history, so that nothing shown or typed in it can be
// brought back with Undo (QLineEdit::clear keeps it).
void EmptyBox(QLineEdit* box);
void EmptyBox(QPlainTextEdit* box);

// Pixels of a measure given in twips: 15 twips make a pixel at 96 dots per inch, to the nearest pixel.
constexpr int TwipsToPixels(int twips) { return (twips + 7) / 15; }

}  // namespace keyloft
