#include "pages/readable_colors.h"

#include <QEvent>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace keyloft {
namespace {

constexpr double kLeastContrast = 4.5;

// sRGB channel (0 to 1) to linear light.
double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

// Follows the widget's palette: a theme switched while the program runs recolours it.
class WarningRedFollower final : public QObject {
  public:
    explicit WarningRedFollower(QWidget* label) : QObject(label), label_(label) {
        label->installEventFilter(this);
        apply();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_ && event->type() == QEvent::PaletteChange && !applying_) apply();
        return false;
    }

  private:
    void apply() {
        applying_ = true;
        QPalette palette = label_->palette();
        palette.setColor(QPalette::WindowText,
                         ReadableOn(QColor(255, 0, 0), palette.color(QPalette::Window)));
        label_->setPalette(palette);
        applying_ = false;
    }
    QWidget* label_;
    bool applying_ = false;
};

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double first = Luminance(a) + 0.05;
    const double second = Luminance(b) + 0.05;
    return std::max(first, second) / std::min(first, second);
}

QColor ReadableOn(const QColor& wanted, const QColor& background) {
    if (ContrastRatio(wanted, background) >= kLeastContrast) return wanted;
    // Towards white on a dark background, towards black on a light one, in small steps of
    // lightness at the same hue and saturation.
    const bool lighter = ContrastRatio(Qt::white, background) > ContrastRatio(Qt::black, background);
    const QColor hsl = wanted.toHsl();
    float hue = 0, saturation = 0, lightness = 0, alpha = 1;
    hsl.getHslF(&hue, &saturation, &lightness, &alpha);
    QColor shade = wanted;
    for (int step = 1; step <= 50; ++step) {
        const float moved =
            std::clamp(lightness + (lighter ? 0.02f : -0.02f) * static_cast<float>(step), 0.0f, 1.0f);
        shade = QColor::fromHslF(hue, saturation, moved, alpha).toRgb();
        if (ContrastRatio(shade, background) >= kLeastContrast) break;
    }
    return shade;
}

QColor WarningRed(const QPalette& palette) {
    return ReadableOn(QColor(255, 0, 0), palette.color(QPalette::Base));
}

void ShowInWarningRed(QWidget* label) { new WarningRedFollower(label); }

void ReadableTextDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant own = index.data(Qt::ForegroundRole);
    if (!own.isValid()) return;
    const QColor wanted = own.canConvert<QBrush>() ? own.value<QBrush>().color() : own.value<QColor>();
    option->palette.setColor(QPalette::Text, ReadableOn(wanted, option->palette.color(QPalette::Base)));
}

}  // namespace keyloft
