#include "app/setup_view.h"

#include <algorithm>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/box_label.h"
#include "entries/generator_options.h"
#include "pages/secret_box.h"
#include "pages/text_rules.h"
#include "store/password_strength.h"
#include "store/profile.h"
#include "store/profile_edits.h"
#include "store/sealing_rule.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

enum class Box { Plain, Secret, Hidden };

// Secret boxes (the password, its confirmation, the PIN and the answers) keep their text out of the
// X selection; hidden ones also mask it.
QLineEdit* MakeBox(QWidget* parent, const char* name, Box kind) {
    QLineEdit* box = kind == Box::Plain ? new QLineEdit(parent) : new SecretBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    if (kind == Box::Hidden) box->setEchoMode(QLineEdit::Password);
    return box;
}

QRadioButton* MakeOption(QWidget* parent, const char* name, const QString& caption) {
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(QString::fromLatin1(name));
    return option;
}

// Selects the option for a stored value of 1 to 3; any other value leaves none of them selected
// rather than what an earlier profile left there.
void SelectOption(const std::array<QRadioButton*, 3>& options, int value) {
    for (std::size_t i = 0; i < options.size(); ++i) {
        const bool on = value == static_cast<int>(i) + 1;
        if (options[i]->isChecked() == on) continue;
        options[i]->setAutoExclusive(false);
        options[i]->setChecked(on);
        options[i]->setAutoExclusive(true);
    }
}

}  // namespace

SetupView::SetupView(PageServices services, QWidget* parent) : Page(std::move(services), parent) {
    setObjectName(QStringLiteral("setupBoxes"));

    logonModeGroup = new QGroupBox(this);
    logonModeGroup->setObjectName(QStringLiteral("fraOptions"));
    passwordOnlyOption = MakeOption(logonModeGroup, "optPass", QStringLiteral("Password Only"));
    userIdAndPasswordOption =
        MakeOption(logonModeGroup, "optUserPass", QStringLiteral("User ID and Password"));
    userIdPasswordAndPinOption =
        MakeOption(logonModeGroup, "optPIN", QStringLiteral("User ID and Password and PIN"));
    auto* options = new QVBoxLayout(logonModeGroup);
    options->addWidget(passwordOnlyOption);
    options->addWidget(userIdAndPasswordOption);
    options->addWidget(userIdPasswordAndPinOption);

    // Alt with a marked letter moves to a box: U, W, F, I, Q, N, E, R and S; A and C belong to
    // the About and Category buttons, P to Park.
    userIdLabel = MakeLabel(this, "lblUserID", QStringLiteral("&User ID"));
    passwordLabel = MakeLabel(this, "lblPassword", QStringLiteral("Pass&word"));
    confirmLabel = MakeLabel(this, "lblConfirm", QStringLiteral("Con&firm Password"));
    pinLabel = MakeLabel(this, "lblSetupPIN", QStringLiteral("P&IN Number"));
    userIdBox = MakeBox(this, "txtUserID", Box::Plain);
    passwordBox = MakeBox(this, "txtPassword", Box::Hidden);
    confirmBox = MakeBox(this, "txtconfirm", Box::Hidden);
    pinBox = MakeBox(this, "txtSetupPIN", Box::Hidden);
    NameBox(userIdLabel, userIdBox);
    NameBox(passwordLabel, passwordBox);
    NameBox(confirmLabel, confirmBox);
    NameBox(pinLabel, pinBox);
    auto* details = new QGridLayout;
    details->addWidget(userIdLabel, 0, 0);
    details->addWidget(userIdBox, 0, 1);
    details->addWidget(passwordLabel, 1, 0);
    details->addWidget(passwordBox, 1, 1);
    details->addWidget(confirmLabel, 2, 0);
    details->addWidget(confirmBox, 2, 1);
    details->addWidget(pinLabel, 3, 0);
    details->addWidget(pinBox, 3, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(logonModeGroup);
    top->addLayout(details, 1);

    questionsLabel = MakeLabel(this, "lblQuestions", QStringLiteral("Security &Questions and Answers"));
    // The three "Answer" labels look alike; each marks a letter of its own.
    const std::array<QString, 3> answerCaptions{QStringLiteral("A&nswer"), QStringLiteral("Answ&er"),
                                                QStringLiteral("Answe&r")};
    auto* questions = new QGridLayout;
    for (int row = 0; row < 3; ++row) {
        const auto i = static_cast<std::size_t>(row);
        questionBoxes[i] = MakeBox(this, "txtQuestion", Box::Plain);
        questionBoxes[i]->setProperty("index", row);
        questionBoxes[i]->setAccessibleName(QStringLiteral("Security question %1").arg(row + 1));
        answerLabels[i] = MakeLabel(this, "lblAnswer", answerCaptions[i]);
        answerLabels[i]->setProperty("index", row);
        answerBoxes[i] = MakeBox(this, "txtanswer", Box::Secret);
        answerBoxes[i]->setProperty("index", row);
        answerLabels[i]->setBuddy(answerBoxes[i]);
        answerBoxes[i]->setAccessibleName(QStringLiteral("Answer %1").arg(row + 1));
        questions->addWidget(questionBoxes[i], row, 0);
        questions->addWidget(answerLabels[i], row, 1);
        questions->addWidget(answerBoxes[i], row, 2);
    }
    questionsLabel->setBuddy(questionBoxes[0]);
    questions->setColumnStretch(0, 3);
    questions->setColumnStretch(2, 2);

    // The answer options form their own group, apart from the logon options.
    auto* answers = new QWidget(this);
    answers->setObjectName(QStringLiteral("answerOptions"));
    oneAnswerOption = MakeOption(answers, "optQ1", QStringLiteral("One Answer"));
    twoAnswersOption = MakeOption(answers, "optQ2", QStringLiteral("Two Answers"));
    allAnswersOption = MakeOption(answers, "optAll", QStringLiteral("All Answers"));
    auto* answerRow = new QHBoxLayout(answers);
    answerRow->setContentsMargins(0, 0, 0, 0);
    answerRow->addWidget(oneAnswerOption);
    answerRow->addWidget(twoAnswersOption);
    answerRow->addWidget(allAnswersOption);
    answerRow->addStretch(1);

    sealCheck = new QCheckBox(QStringLiteral("&Seal the profile file with the logon"), this);
    sealCheck->setObjectName(QStringLiteral("chkSeal"));
    sealCheck->setToolTip(QString::fromStdU16String(kSealTip));
    sealNoteLabel = MakeLabel(this, "lblSealNote", QString());
    sealNoteLabel->setWordWrap(true);
    sealNoteLabel->hide();
    strengthLabel = new StrengthLabel(this);
    strengthLabel->setObjectName(QStringLiteral("lblSetupStrength"));
    details->addWidget(strengthLabel, 4, 1);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addSpacing(8);
    column->addWidget(questionsLabel);
    column->addLayout(questions);
    column->addWidget(answers);
    column->addWidget(sealCheck);
    column->addWidget(sealNoteLabel);
    column->addStretch(1);

    for (QRadioButton* option : {passwordOnlyOption, userIdAndPasswordOption, userIdPasswordAndPinOption,
                                 oneAnswerOption, twoAnswersOption, allAnswersOption}) {
        connect(option, &QRadioButton::clicked, this, &SetupView::changed);
    }
    connect(sealCheck, &QCheckBox::clicked, this, &SetupView::sealClicked);
    for (QLineEdit* box : {userIdBox, pinBox, questionBoxes[0], questionBoxes[1], questionBoxes[2],
                           answerBoxes[0], answerBoxes[1], answerBoxes[2]}) {
        connect(box, &QLineEdit::textChanged, this, &SetupView::changed);
    }
    // The answers and the logon mode count for sealing and for the password's strength.
    for (QLineEdit* box : {userIdBox, answerBoxes[0], answerBoxes[1], answerBoxes[2]}) {
        connect(box, &QLineEdit::textChanged, this, &SetupView::showSecretsState);
    }
    for (QRadioButton* option : {passwordOnlyOption, userIdAndPasswordOption, userIdPasswordAndPinOption,
                                 oneAnswerOption, twoAnswersOption, allAnswersOption}) {
        connect(option, &QRadioButton::clicked, this, &SetupView::showSecretsState);
    }
    for (QLineEdit* box : {passwordBox, confirmBox}) {
        connect(box, &QLineEdit::textChanged, this, &SetupView::passwordChanged);
    }
}

void SetupView::changed() { markChanged(); }

void SetupView::passwordChanged() {
    if (filling()) return;
    markChanged();
    passwordEdited_ = true;
    showSecretsState();
}

void SetupView::sealClicked(bool on) {
    sealChoice_ = on;
    markChanged();
    showSecretsState();
}

void SetupView::showSecretsState() {
    if (filling()) return;
    if (!sealedOnFill_) {
        // Ticked by itself once a password of the user's own is on screen (the default answer gets
        // no slot, it does not keep the file readable), but not for a password that the readable
        // file holds: sealing would ask for a new one.
        const bool ownPassword = !IsDefaultPassword(*shownPassword());
        const bool wouldSeal = ownPassword && (passwordEdited_ || !edits().sealingNeedsNewPassword());
        sealCheck->setEnabled(ownPassword);
        sealCheck->setChecked(ownPassword && sealChoice_.value_or(wouldSeal));
        sealCheck->setToolTip(QString::fromStdU16String(ownPassword ? kSealTip : kSealNeedsOwnPasswordTip));
    } else {
        sealCheck->setEnabled(true);
        sealCheck->setToolTip(QString::fromStdU16String(kSealTip));
    }
    std::u16string note;
    if (sealCheck->isChecked()) {
        const std::vector<SecurityQuestion> questions = shownQuestions();
        const std::u16string userId = shownUserId();
        const WipedText password = shownPassword();
        const SealingSecrets secrets{opened().profileName(), shownLogonMode(), userId, *password, &questions};
        note = WeakAnswersText(questions, PlanAnswerSlots(secrets, shownAnswerMode()), false);
    }
    sealNoteLabel->setText(QString::fromStdU16String(note));
    sealNoteLabel->setVisible(!note.empty());
    showStrength();
}

// The words that go with the profile (its name, the user ID the logon asks for, the questions and
// the answers) count as easy to guess, as they do when the file is sealed.
void SetupView::showStrength() {
    const std::vector<SecurityQuestion> questions = shownQuestions();
    const std::u16string userId = shownUserId();
    const WipedText shown = shownPassword();
    const std::u16string_view password = TrimBlanks(*shown);
    const SealingSecrets secrets{opened().profileName(), shownLogonMode(), userId, password, &questions};
    strengthLabel->rateWith(QString::fromUtf16(password.data(), static_cast<qsizetype>(password.size())),
                            KnownWords(secrets));
}

WipedText SetupView::shownPassword() const {
    if (passwordEdited_) return WipedText(passwordBox->text().toStdU16String());
    return WipedText(opened().profile().password);
}

std::vector<SecurityQuestion> SetupView::shownQuestions() const {
    std::vector<SecurityQuestion> pairs;
    for (std::size_t i = 0; i < 3; ++i) {
        SecurityQuestion pair{TrimmedText(questionBoxes[i]->text()), TrimmedText(answerBoxes[i]->text())};
        if (!pair.question.empty()) pairs.push_back(std::move(pair));
    }
    return pairs;
}

std::u16string SetupView::shownUserId() const { return TrimmedText(userIdBox->text()); }

std::int32_t SetupView::shownLogonMode() const {
    if (userIdAndPasswordOption->isChecked()) return kUserIdAndPassword;
    if (userIdPasswordAndPinOption->isChecked()) return kUserIdPasswordAndPin;
    if (passwordOnlyOption->isChecked()) return kPasswordOnly;
    return opened().profile().logonMode;
}

std::int32_t SetupView::shownAnswerMode() const {
    if (oneAnswerOption->isChecked()) return kOneAnswer;
    if (twoAnswersOption->isChecked()) return kTwoAnswers;
    if (allAnswersOption->isChecked()) return kAllAnswers;
    return opened().profile().answerMode;
}

void SetupView::rememberSealChoice() {
    const bool kept = edits().keptReadable();
    if (!opened().sealed() && sealChoice_ == false && !kept) {
        edits().setKeptReadable(true);
    } else if (opened().sealed() && kept) {
        edits().setKeptReadable(false);
    }
}

void SetupView::refresh() {
    {
        const FillGuard guard(*this);
        const Profile& profile = opened().profile();
        SelectOption({passwordOnlyOption, userIdAndPasswordOption, userIdPasswordAndPinOption},
                     profile.logonMode);
        // A sealed profile does not show how long its password is: its boxes stay empty, which
        // keeps the password as it is. The usual form shows the mask.
        const QString mask = opened().sealed() ? QString() : QString::fromStdU16String(kPasswordMask);
        const QString unchanged = opened().sealed() ? QStringLiteral("(unchanged)") : QString();
        passwordBox->setText(mask);
        confirmBox->setText(mask);
        passwordBox->setPlaceholderText(unchanged);
        confirmBox->setPlaceholderText(unchanged);
        userIdBox->setText(QString::fromStdU16String(profile.userId));
        pinBox->setText(QString::fromStdU16String(profile.pin));
        for (std::size_t i = 0; i < 3; ++i) {
            QString question;
            QString answer;
            if (i < profile.questions.size()) {
                question = QString::fromStdU16String(profile.questions[i].question);
                answer = QString::fromStdU16String(profile.questions[i].answer);
            }
            questionBoxes[i]->setText(question);
            answerBoxes[i]->setText(answer);
        }
        SelectOption({oneAnswerOption, twoAnswersOption, allAnswersOption}, profile.answerMode);
        sealCheck->setChecked(opened().sealed());
        passwordEdited_ = false;
        sealedOnFill_ = opened().sealed();
        sealChoice_.reset();
        if (edits().keptReadable()) sealChoice_ = false;
    }
    showSecretsState();
}

void SetupView::warn(const char16_t* text, const char16_t* title, bool warningIcon) {
    MessageRequest request;
    request.text = text;
    request.title = title;
    request.icon = warningIcon ? MessageIcon::Exclamation : MessageIcon::None;
    dialogs().showMessage(request);
}

bool SetupView::askAllAnswers(const EditResult& offer, SecuritySettings& settings) {
    const std::uint64_t taken = session();
    MessageRequest question;
    question.text = *offer.offer;
    question.icon = MessageIcon::Question;
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::Yes;
    const bool yes = dialogs().showMessage(question) == MessageAnswer::Yes;
    if (lockedSince(taken)) return false;
    if (yes) {
        settings.answerMode = offer.offeredAnswerMode;
        SelectOption({oneAnswerOption, twoAnswersOption, allAnswersOption}, offer.offeredAnswerMode);
    } else {
        settings.weakAnswersAccepted = true;
    }
    return true;
}

bool SetupView::save() {
    SecuritySettings settings = securitySettings();
    const auto change = [&settings](ProfileEdits& edits) { return edits.changeSecurity(settings); };
    EditResult edit = editStore(change);
    if (edit.offer) {
        if (!askAllAnswers(edit, settings)) return false;
        edit = editStore(change);
    }
    if (edit.refusal) {
        warn(edit.refusal->c_str(), edit.setupRule ? kSetupErrorTitle : kApplicationTitle, edit.setupRule);
        if (*edit.refusal == kReadablePasswordRefusal) {
            // The new password goes into both boxes, afresh.
            EmptyBox(passwordBox);
            EmptyBox(confirmBox);
            passwordBox->setFocus();
        }
        return false;
    }
    if (!edit.save) return false;
    if (carryOutSave(*edit.save) == SaveOutcome::Saved) {
        rememberSealChoice();
        sealedOnFill_ = opened().sealed();
        showSecretsState();
        const char16_t* saved = kSavedReadableText;
        if (opened().sealed()) {
            saved = PlanAnswerSlots(opened().profile(), opened().profileName()).made.empty()
                        ? kSavedSealedLogonOnlyText
                        : kSavedSealedText;
        }
        emit statusChanged(QString::fromStdU16String(saved));
        if (edit.notice) {
            MessageRequest told;
            told.text = *edit.notice;
            told.icon = MessageIcon::Information;
            dialogs().showMessage(told);
        }
    }
    return true;
}

void SetupView::forgetProfile() {
    const FillGuard guard(*this);
    for (QLineEdit* box : {userIdBox, passwordBox, confirmBox, pinBox, questionBoxes[0], questionBoxes[1],
                           questionBoxes[2], answerBoxes[0], answerBoxes[1], answerBoxes[2]}) {
        EmptyBox(box);
    }
    passwordEdited_ = false;
    sealChoice_.reset();
    strengthLabel->clear();
    sealNoteLabel->clear();
}

SecuritySettings SetupView::securitySettings() const {
    SecuritySettings settings;
    settings.logonMode = opened().profile().logonMode;
    if (passwordOnlyOption->isChecked()) settings.logonMode = kPasswordOnly;
    if (userIdAndPasswordOption->isChecked()) settings.logonMode = kUserIdAndPassword;
    if (userIdPasswordAndPinOption->isChecked()) settings.logonMode = kUserIdPasswordAndPin;
    settings.password = passwordBox->text().toStdU16String();
    settings.confirmation = confirmBox->text().toStdU16String();
    settings.passwordRetyped = passwordEdited_;
    settings.userId = userIdBox->text().toStdU16String();
    settings.pin = pinBox->text().toStdU16String();
    for (std::size_t i = 0; i < 3; ++i)
        settings.questions.push_back(SecurityQuestion{questionBoxes[i]->text().toStdU16String(),
                                                      answerBoxes[i]->text().toStdU16String()});
    if (oneAnswerOption->isChecked()) settings.answerMode = kOneAnswer;
    if (twoAnswersOption->isChecked()) settings.answerMode = kTwoAnswers;
    if (allAnswersOption->isChecked()) settings.answerMode = kAllAnswers;
    settings.seal = sealCheck->isChecked();
    return settings;
}

}  // namespace keyloft
