#pragma once
// The security boxes of the setup view (inside fraSecurityOptions): logon mode, logon details,
// up to three questions with their answers, how many answers a forgotten logon demands, and
// whether the profile file is sealed.

#include <array>

#include <QString>
#include <QWidget>

#include "pages/page.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace keyloft {


// The title of the setup's refusals (its texts are the store's: store/profile_store.h).
inline constexpr char16_t kSetupErrorTitle[] = u"Error";
// Stands in both password boxes for the stored password.
inline constexpr char16_t kPasswordMask[] = u"**********";

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
    QGroupBox* fraOptions;
    QRadioButton* optPass;
    QRadioButton* optUserPass;
    QRadioButton* optPIN;
    QLabel* lblUserID;
    QLabel* lblPassword;
    QLabel* lblConfirm;
    QLabel* lblSetupPIN;
    QLineEdit* txtUserID;
    QLineEdit* txtPassword;
    QLineEdit* txtconfirm;
    QLineEdit* txtSetupPIN;
    QLabel* lblQuestions;
    std::array<QLineEdit*, 3> txtQuestion{};
    std::array<QLabel*, 3> lblAnswer{};
    std::array<QLineEdit*, 3> txtanswer{};
    QRadioButton* optQ1;
    QRadioButton* optQ2;
    QRadioButton* optAll;
    // Saves write the profile sealed (readable only with the logon or the answers) when ticked.
    QCheckBox* chkSeal;

    void changed();
    void passwordChanged();
    // One message box with OK.
    void warn(const char16_t* text, const char16_t* title, bool warningIcon);
    // The first check of the logon details that fails, counted from the end; empty when all pass.
    SecuritySettings securitySettings() const;

    // Whether the user typed into a password box since the page was filled: only then is the
    // typed password stored (the boxes show a mask otherwise).
    bool passwordEdited_ = false;
};

}  // namespace keyloft
