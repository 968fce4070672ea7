#pragma once
// The generator's options in the entry editor (length and symbols, kept in the user's settings)
// and the strength of the password being typed.

#include <string>
#include <vector>

#include <QLabel>
#include <QWidget>

#include "store/password_generator.h"

class QCheckBox;
class QSpinBox;

namespace keyloft {

class ProfileFolder;

// The settings, with their defaults: a length of 4 to 128 (20), symbols "1" or "0" ("0").
inline constexpr char16_t kSettingGeneratorLength[] = u"GeneratorLength";
inline constexpr char16_t kSettingGeneratorSymbols[] = u"GeneratorSymbols";
inline constexpr std::size_t kDefaultGeneratedLength = 20;

PasswordOptions ReadGeneratorOptions(ProfileFolder& folder);
void WriteGeneratorOptions(ProfileFolder& folder, const PasswordOptions& options);

// The length box (spnLength) and "Include symbols" (chkSymbols) side by side. A change is written
// to the settings at once; the settings are read again whenever the row is shown.
class GeneratorOptionsRow final : public QWidget {
    Q_OBJECT
  public:
    GeneratorOptionsRow(ProfileFolder& folder, QWidget* parent);
    PasswordOptions options() const;
    QSpinBox* lengthBox() const { return length_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void load();
    void keep();

    ProfileFolder& folder_;
    QSpinBox* length_ = nullptr;
    QCheckBox* symbols_ = nullptr;
    bool loading_ = false;
};

// lblStrength: "Strength: Good (3 of 4)" and what makes a weak password weak; empty for an empty
// password. `ownWords` (the profile's name, user ID, answers) count as easy to guess. It wraps its
// lines and asks for their height, which the editor's scroll area would not give a wrapped label by
// itself. Its red, amber or green is shaded to read on the palette's background.
class StrengthLabel final : public QLabel {
    Q_OBJECT
  public:
    explicit StrengthLabel(QWidget* parent);
    void rate(const QString& password) { rateWith(password, {}); }
    void rateWith(const QString& password, const std::vector<std::u16string>& ownWords);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void fitHeight();
    void showColour();
    int score_ = 0;
    bool recolouring_ = false;
};

}  // namespace keyloft
