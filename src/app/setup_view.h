#pragma once
// The security boxes of the setup view (inside fraSecurityOptions): logon mode, logon details,
// up to three questions with their answers, how many answers a forgotten logon demands, and
// whether the profile file is sealed.

#include <QString>
#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "pages/page.h"
#include "store/sealing_rule.h"
#include "store/secret_memory.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace keyloft {

class StrengthLabel;

// The title of the setup's refusals (its texts are the store's: store/profile_results.h).
inline constexpr char16_t kSetupErrorTitle[] = u"Error";
// Stands in both password boxes for the stored password.
inline constexpr char16_t kPasswordMask[] = u"**********";

// The seal check box's tool tips: while it can be ticked, and while the password is still the one
// every new profile starts with.
inline constexpr char16_t kSealTip[] =
    u"A sealed profile can only be opened with its logon or its security answers";
inline constexpr char16_t kSealNeedsOwnPasswordTip[] =
    u"Choose a password of your own first: every new profile starts with the same one, so it would not seal "
    u"anything.";
// What the status line says after Save, behind the logon status.
inline constexpr char16_t kSavedSealedText[] =
    u"  Saved sealed: only the logon or the security answers open its file.";
inline constexpr char16_t kSavedSealedLogonOnlyText[] = u"  Saved sealed: only the logon opens its file.";
inline constexpr char16_t kSavedReadableText[] =
    u"  Saved in the readable form: anyone who can copy this profile's file can read it.";

class SetupView : public Page {
    Q_OBJECT
  public:
    SetupView(PageServices services, QWidget* parent);

    // The page: filled from the profile; Save checks the boxes, stores them in the profile and
    // writes it (false when a check failed and its message was shown); Cancel fills it again.
    void refresh() override;
    bool save() override;
    void forgetProfile() override;

  private:
    QGroupBox* logonModeGroup;
    QRadioButton* passwordOnlyOption;
    QRadioButton* userIdAndPasswordOption;
    QRadioButton* userIdPasswordAndPinOption;
    QLabel* userIdLabel;
    QLabel* passwordLabel;
    QLabel* confirmLabel;
    QLabel* pinLabel;
    QLineEdit* userIdBox;
    QLineEdit* passwordBox;
    QLineEdit* confirmBox;
    QLineEdit* pinBox;
    QLabel* questionsLabel;
    std::array<QLineEdit*, 3> questionBoxes{};
    std::array<QLabel*, 3> answerLabels{};
    std::array<QLineEdit*, 3> answerBoxes{};
    QRadioButton* oneAnswerOption;
    QRadioButton* twoAnswersOption;
    QRadioButton* allAnswersOption;
    // Saves write the profile sealed (readable only with the logon or the answers) when ticked.
    QCheckBox* sealCheck;
    // How hard the password on screen is to guess, as it is typed.
    StrengthLabel* strengthLabel;
    // Which answers are too easy to guess to open the sealed file (while sealing is ticked).
    QLabel* sealNoteLabel;

    void changed();
    void passwordChanged();
    void sealClicked(bool on);
    // The seal box, the strength and the note follow the boxes: a profile not yet sealed is ticked
    // for sealing once a password of the user's own is typed, unless the user chose.
    void showSecretsState();
    void showStrength();
    // The password on screen: the stored one while the boxes show the mask.
    WipedText shownPassword() const;
    // The question pairs on screen as the store keeps them: trimmed, those with a question.
    std::vector<SecurityQuestion> shownQuestions() const;
    // The user ID on screen, trimmed.
    std::u16string shownUserId() const;
    // The answer mode the store offers (Yes: it is chosen) before it seals without weak answers;
    // false when a lock came meanwhile.
    bool askAllAnswers(const EditResult& offer, SecuritySettings& settings);
    std::int32_t shownLogonMode() const;
    std::int32_t shownAnswerMode() const;
    // Remembers that the user saved the loaded profile readable on purpose, or forgets it once sealed.
    void rememberSealChoice();
    // One message box with OK.
    void warn(const char16_t* text, const char16_t* title, bool warningIcon);
    // The boxes as the store's security settings.
    SecuritySettings securitySettings() const;

    // Whether the user typed into a password box since the page was filled: only then is the
    // typed password stored (the boxes show a mask otherwise).
    bool passwordEdited_ = false;
    // Whether the file was sealed when the page was filled or last saved; only a readable profile
    // has its box ticked for it.
    bool sealedOnFill_ = false;
    // The user's own tick or untick since the page was filled (or as they left it for this
    // profile); while empty the box follows the secrets on screen.
    std::optional<bool> sealChoice_;
};

}  // namespace keyloft
