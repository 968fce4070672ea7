#include "entries/generator_options.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSpinBox>
#include <algorithm>

#include "pages/readable_colors.h"
#include "store/password_strength.h"
#include "store/profile_folder.h"

namespace keyloft {

PasswordOptions ReadGeneratorOptions(ProfileFolder& folder) {
    PasswordOptions options;
    options.length = kDefaultGeneratedLength;
    std::u16string value;
    if (folder.readSetting(kSettingGeneratorLength, value)) {
        bool ok = false;
        const int length = QString::fromStdU16String(value).trimmed().toInt(&ok);
        if (ok)
            options.length = static_cast<std::size_t>(std::clamp(
                length, static_cast<int>(kMinGeneratedLength), static_cast<int>(kMaxGeneratedLength)));
    }
    if (folder.readSetting(kSettingGeneratorSymbols, value)) options.symbols = value == u"1";
    return options;
}

void WriteGeneratorOptions(ProfileFolder& folder, const PasswordOptions& options) {
    // A setting that cannot be written is only not remembered.
    static_cast<void>(
        folder.writeSetting(kSettingGeneratorLength, QString::number(options.length).toStdU16String()));
    static_cast<void>(folder.writeSetting(kSettingGeneratorSymbols, options.symbols ? u"1" : u"0"));
}

GeneratorOptionsRow::GeneratorOptionsRow(ProfileFolder& folder, QWidget* parent)
    : QWidget(parent), folder_(folder) {
    setObjectName(QStringLiteral("generatorOptions"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    length_ = new QSpinBox(this);
    length_->setObjectName(QStringLiteral("spnLength"));
    length_->setRange(static_cast<int>(kMinGeneratedLength), static_cast<int>(kMaxGeneratedLength));
    length_->setSuffix(QStringLiteral(" characters"));
    length_->setToolTip(QStringLiteral("Length of a generated password"));
    symbols_ = new QCheckBox(QStringLiteral("Include s&ymbols"), this);
    symbols_->setObjectName(QStringLiteral("chkSymbols"));
    symbols_->setToolTip(
        QStringLiteral("Generated passwords use punctuation marks besides letters and digits"));
    layout->addWidget(length_);
    layout->addWidget(symbols_);
    layout->addStretch(1);
    load();
    connect(length_, &QSpinBox::valueChanged, this, &GeneratorOptionsRow::keep);
    connect(symbols_, &QCheckBox::toggled, this, &GeneratorOptionsRow::keep);
}

PasswordOptions GeneratorOptionsRow::options() const {
    PasswordOptions options;
    options.length = static_cast<std::size_t>(length_->value());
    options.symbols = symbols_->isChecked();
    return options;
}

void GeneratorOptionsRow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) load();
}

void GeneratorOptionsRow::load() {
    const PasswordOptions options = ReadGeneratorOptions(folder_);
    loading_ = true;
    length_->setValue(static_cast<int>(options.length));
    symbols_->setChecked(options.symbols);
    loading_ = false;
}

void GeneratorOptionsRow::keep() {
    if (!loading_) WriteGeneratorOptions(folder_, options());
}

StrengthLabel::StrengthLabel(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("lblStrength"));
    setWordWrap(true);
}

void StrengthLabel::rateWith(const QString& password, const std::vector<std::u16string>& ownWords) {
    if (password.isEmpty()) {
        clear();
        fitHeight();
        return;
    }
    const PasswordStrength strength = RatePassword(password.toStdU16String(), ownWords);
    const std::u16string_view word = StrengthWord(strength.score);
    QString text = QStringLiteral("Strength: %1 (%2 of 4)")
                       .arg(QString::fromUtf16(word.data(), static_cast<qsizetype>(word.size())))
                       .arg(strength.score);
    if (!strength.warning.empty()) text += QStringLiteral(". ") + QString::fromStdU16String(strength.warning);
    setText(text);
    score_ = std::clamp(strength.score, 0, 4);
    showColour();
    fitHeight();
}

void StrengthLabel::showColour() {
    static const QColor kColours[] = {QColor(192, 0, 0), QColor(192, 0, 0), QColor(176, 96, 0),
                                      QColor(32, 112, 32), QColor(32, 112, 32)};
    const QScopedValueRollback<bool> recolouring(recolouring_, true);
    QPalette shown = palette();
    shown.setColor(QPalette::WindowText, ReadableOn(kColours[score_], shown.color(QPalette::Window)));
    setPalette(shown);
}

// A theme changed while the program runs: the colour is shaded for the new background.
void StrengthLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !recolouring_) showColour();
}

void StrengthLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fitHeight();
}

void StrengthLabel::fitHeight() {
    const int needed = text().isEmpty() ? 0 : heightForWidth(std::max(width(), 1));
    if (minimumHeight() != needed) setMinimumHeight(needed);
}

}  // namespace keyloft
