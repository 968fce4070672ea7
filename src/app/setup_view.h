#pragma once
// The security boxes of the setup view (inside fraSecurityOptions): logon mode, logon details,
// up to three questions with their answers, how many answers a forgotten logon demands, and
// whether the profile file is sealed.

#include <array>

#include <QString>
#include <QWidget>

#include "pages/view_hooks.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace keyloft {

class frmNewMain;
class ViewHost;

// Texts of the setup view's messages.
inline constexpr char16_t kSetupErrorTitle[] = u"Error";
inline constexpr char16_t kSpecifyPasswordText[] = u" Specify correct password!";
inline constexpr char16_t kSpecifyUserIdText[] = u" Specify correct UserID!";
inline constexpr char16_t kSpecifyPinText[] = u" Specify correct PIN Number!";
inline constexpr char16_t kPasswordMismatchText[] = u"  Password does not match!";
inline constexpr char16_t kQuestionOrAnswerBlankText[] = u"Question or Answer cannot be blank!";
inline constexpr char16_t kNeedOneQuestionText[] = u"There must be at least 1 question and answer!";
inline constexpr char16_t kNeedTwoQuestionsText[] = u"There must be at least 2 questions and answers!";
inline constexpr char16_t kSeparatorRefusedText[] = u"The character | cannot be used here.";
// Stands in both password boxes for the stored password.
inline constexpr char16_t kPasswordMask[] = u"**********";

class SetupView : public QWidget, public SetupViewApi {
    Q_OBJECT
public:
    SetupView(ViewHost& host, QWidget* parent);

    void FillSetup() override;
    bool SaveSecurityOptions() override;
    void ForgetProfile() override;

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

private:
    void changed();
    void passwordChanged();
    // One message box with OK.
    void warn(const char16_t* text, const char16_t* title, bool warningIcon);
    // The first check of the logon details that fails, counted from the end; empty when all pass.
    std::u16string logonDetailsMessage() const;
    bool anyBoxHoldsSeparator() const;
    void StoreSecurityOptions();

    ViewHost& host_;
};

// Builds the setup view inside the window's setup frame and plugs it in; the window owns it.
SetupView* PlugSetupView(frmNewMain& window);

}  // namespace keyloft
