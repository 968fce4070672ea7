#pragma once
// Text colours that read on the palette they are drawn with. A colour that means something (the
// red of an entry about to expire) keeps its hue and is made lighter on a dark background or
// darker on a light one until it stands out from the background by at least 4.5 to 1, the
// contrast asked of body text; everything else takes the palette's own text colours.

#include <QColor>
#include <QStyledItemDelegate>

class QPalette;
class QWidget;

namespace keyloft {

// The contrast of two colours, from 1 (the same) to 21 (black on white), by their relative
// luminance in sRGB.
double ContrastRatio(const QColor& a, const QColor& b);

// `wanted` where it reads on `background`; otherwise the nearest lighter or darker shade of it
// that does.
QColor ReadableOn(const QColor& wanted, const QColor& background);

// The red of rows and markers that warn (RGB 255, 0, 0 where it reads), as it reads on the text
// background of `palette`.
QColor WarningRed(const QPalette& palette);

// Gives `label` the warning red of its palette now and whenever the palette changes.
void ShowInWarningRed(QWidget* label);

// A delegate for lists whose model gives some rows a text colour of their own (Qt::ForegroundRole):
// that colour is drawn as it reads on the list's background; rows without one take the palette's
// text colour.
class ReadableTextDelegate final : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace keyloft
