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
#include "pages/text_rules.h"
#include "store/password_strength.h"
#include "store/profile.h"
#include "store/profile_store.h"
#include "store/sealing_rule.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLineEdit* MakeBox(QWidget* parent, const char* name, bool password) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    if (password) box->setEchoMode(QLineEdit::Password);
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

// A text as a view of its UTF-16 code units, without a copy (the password boxes' texts).
std::u16string_view TextView(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace

SetupView::SetupView(PageServices services, QWidget* parent) : Page(std::move(services), parent) {
    setObjectName(QStringLiteral("setupBoxes"));

    fraOptions = new QGroupBox(this);
    fraOptions->setObjectName(QStringLiteral("fraOptions"));
    optPass = MakeOption(fraOptions, "optPass", QStringLiteral("Password Only"));
    optUserPass = MakeOption(fraOptions, "optUserPass", QStringLiteral("User ID and Password"));
    optPIN = MakeOption(fraOptions, "optPIN", QStringLiteral("User ID and Password and PIN"));
    auto* options = new QVBoxLayout(fraOptions);
    options->addWidget(optPass);
    options->addWidget(optUserPass);
    options->addWidget(optPIN);

    // Alt with a marked letter moves to a box: U, W, F, I, Q, N, E, R and S; A and C belong to
    // the About and Category buttons, P to Park.
    lblUserID = MakeLabel(this, "lblUserID", QStringLiteral("&User ID"));
    lblPassword = MakeLabel(this, "lblPassword", QStringLiteral("Pass&word"));
    lblConfirm = MakeLabel(this, "lblConfirm", QStringLiteral("Con&firm Password"));
    lblSetupPIN = MakeLabel(this, "lblSetupPIN", QStringLiteral("P&IN Number"));
    txtUserID = MakeBox(this, "txtUserID", false);
    txtPassword = MakeBox(this, "txtPassword", true);
    txtconfirm = MakeBox(this, "txtconfirm", true);
    txtSetupPIN = MakeBox(this, "txtSetupPIN", true);
    NameBox(lblUserID, txtUserID);
    NameBox(lblPassword, txtPassword);
    NameBox(lblConfirm, txtconfirm);
    NameBox(lblSetupPIN, txtSetupPIN);
    auto* details = new QGridLayout;
    details->addWidget(lblUserID, 0, 0);
    details->addWidget(txtUserID, 0, 1);
    details->addWidget(lblPassword, 1, 0);
    details->addWidget(txtPassword, 1, 1);
    details->addWidget(lblConfirm, 2, 0);
    details->addWidget(txtconfirm, 2, 1);
    details->addWidget(lblSetupPIN, 3, 0);
    details->addWidget(txtSetupPIN, 3, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(fraOptions);
    top->addLayout(details, 1);

    lblQuestions = MakeLabel(this, "lblQuestions", QStringLiteral("Security &Questions and Answers"));
    // The three "Answer" labels look alike; each marks a letter of its own.
    const std::array<QString, 3> answerCaptions{QStringLiteral("A&nswer"), QStringLiteral("Answ&er"),
                                                QStringLiteral("Answe&r")};
    auto* questions = new QGridLayout;
    for (int row = 0; row < 3; ++row) {
        const auto i = static_cast<std::size_t>(row);
        txtQuestion[i] = MakeBox(this, "txtQuestion", false);
        txtQuestion[i]->setProperty("index", row);
        txtQuestion[i]->setAccessibleName(QStringLiteral("Security question %1").arg(row + 1));
        lblAnswer[i] = MakeLabel(this, "lblAnswer", answerCaptions[i]);
        lblAnswer[i]->setProperty("index", row);
        txtanswer[i] = MakeBox(this, "txtanswer", false);
        txtanswer[i]->setProperty("index", row);
        lblAnswer[i]->setBuddy(txtanswer[i]);
        txtanswer[i]->setAccessibleName(QStringLiteral("Answer %1").arg(row + 1));
        questions->addWidget(txtQuestion[i], row, 0);
        questions->addWidget(lblAnswer[i], row, 1);
        questions->addWidget(txtanswer[i], row, 2);
    }
    lblQuestions->setBuddy(txtQuestion[0]);
    questions->setColumnStretch(0, 3);
    questions->setColumnStretch(2, 2);

    // The answer options form their own group, apart from the logon options.
    auto* answers = new QWidget(this);
    answers->setObjectName(QStringLiteral("answerOptions"));
    optQ1 = MakeOption(answers, "optQ1", QStringLiteral("One Answer"));
    optQ2 = MakeOption(answers, "optQ2", QStringLiteral("Two Answers"));
    optAll = MakeOption(answers, "optAll", QStringLiteral("All Answers"));
    auto* answerRow = new QHBoxLayout(answers);
    answerRow->setContentsMargins(0, 0, 0, 0);
    answerRow->addWidget(optQ1);
    answerRow->addWidget(optQ2);
    answerRow->addWidget(optAll);
    answerRow->addStretch(1);

    chkSeal = new QCheckBox(QStringLiteral("&Seal the profile file with the logon"), this);
    chkSeal->setObjectName(QStringLiteral("chkSeal"));
    chkSeal->setToolTip(QString::fromStdU16String(kSealTip));
    lblSealNote = MakeLabel(this, "lblSealNote", QString());
    lblSealNote->setWordWrap(true);
    lblSealNote->hide();
    lblSetupStrength = new StrengthLabel(this);
    lblSetupStrength->setObjectName(QStringLiteral("lblSetupStrength"));
    details->addWidget(lblSetupStrength, 4, 1);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addSpacing(8);
    column->addWidget(lblQuestions);
    column->addLayout(questions);
    column->addWidget(answers);
    column->addWidget(chkSeal);
    column->addWidget(lblSealNote);
    column->addStretch(1);

    for (QRadioButton* option : {optPass, optUserPass, optPIN, optQ1, optQ2, optAll}) {
        connect(option, &QRadioButton::clicked, this, &SetupView::changed);
    }
    connect(chkSeal, &QCheckBox::clicked, this, &SetupView::sealClicked);
    for (QLineEdit* box : {txtUserID, txtSetupPIN, txtQuestion[0], txtQuestion[1], txtQuestion[2], txtanswer[0],
                           txtanswer[1], txtanswer[2]}) {
        connect(box, &QLineEdit::textChanged, this, &SetupView::changed);
    }
    // The answers and the logon mode count for sealing and for the password's strength.
    for (QLineEdit* box : {txtUserID, txtanswer[0], txtanswer[1], txtanswer[2]}) {
        connect(box, &QLineEdit::textChanged, this, &SetupView::showSecretsState);
    }
    for (QRadioButton* option : {optPass, optUserPass, optPIN, optQ1, optQ2, optAll}) {
        connect(option, &QRadioButton::clicked, this, &SetupView::showSecretsState);
    }
    for (QLineEdit* box : {txtPassword, txtconfirm}) {
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
        // Ticked by itself only once neither the password nor an answer is a new profile's: with
        // either left, sealing would be refused.
        const std::vector<SecurityQuestion> answers = shownAnswers();
        const bool defaults = SecretsAreDefaults(shownPassword(), answers);
        bool ownSecrets = !SecretsAreDefaults(shownPassword(), {});
        for (const SecurityQuestion& pair : answers) {
            ownSecrets = ownSecrets && (pair.answer.empty() || !SecretsAreDefaults(u"", {pair}));
        }
        chkSeal->setEnabled(!defaults);
        chkSeal->setChecked(!defaults && sealChoice_.value_or(ownSecrets));
        chkSeal->setToolTip(QString::fromStdU16String(defaults ? kSealNeedsOwnSecretsTip : kSealTip));
    } else {
        chkSeal->setEnabled(true);
        chkSeal->setToolTip(QString::fromStdU16String(kSealTip));
    }
    const std::int32_t answerMode = shownAnswerMode();
    const char16_t* note = nullptr;
    if (chkSeal->isChecked() && answerMode == kOneAnswer) note = kOneAnswerOpensText;
    if (chkSeal->isChecked() && answerMode == kTwoAnswers) note = kTwoAnswersOpenText;
    lblSealNote->setText(note != nullptr ? QString::fromStdU16String(note) : QString());
    lblSealNote->setVisible(note != nullptr);
    showStrength();
}

// The words that go with the profile (its name, the user ID the logon asks for, the answers) count
// as easy to guess, as they do when the file is sealed.
void SetupView::showStrength() {
    std::vector<std::u16string> ownWords{store().profileName()};
    const std::u16string userId = txtUserID->text().trimmed().toStdU16String();
    if (shownLogonMode() != kPasswordOnly && !userId.empty()) ownWords.push_back(userId);
    for (const SecurityQuestion& pair : shownAnswers()) {
        if (!pair.answer.empty()) ownWords.push_back(pair.answer);
    }
    const std::u16string_view password = TrimBlanks(shownPassword());
    lblSetupStrength->rateWith(QString::fromUtf16(password.data(), static_cast<qsizetype>(password.size())),
                               ownWords);
}

std::u16string_view SetupView::shownPassword() const {
    if (passwordEdited_) return TextView(txtPassword->text());
    return store().profile().password;
}

std::vector<SecurityQuestion> SetupView::shownAnswers() const {
    std::vector<SecurityQuestion> answers;
    for (QLineEdit* box : txtanswer) answers.push_back(SecurityQuestion{{}, box->text().toStdU16String()});
    return answers;
}

std::int32_t SetupView::shownLogonMode() const {
    if (optUserPass->isChecked()) return kUserIdAndPassword;
    if (optPIN->isChecked()) return kUserIdPasswordAndPin;
    if (optPass->isChecked()) return kPasswordOnly;
    return store().profile().logonMode;
}

std::int32_t SetupView::shownAnswerMode() const {
    if (optQ1->isChecked()) return kOneAnswer;
    if (optQ2->isChecked()) return kTwoAnswers;
    if (optAll->isChecked()) return kAllAnswers;
    return store().profile().answerMode;
}

void SetupView::rememberSealChoice() {
    const bool kept = store().keptReadable();
    if (!store().sealed() && sealChoice_ == false && !kept) {
        store().setKeptReadable(true);
    } else if (store().sealed() && kept) {
        store().setKeptReadable(false);
    }
}

void SetupView::refresh() {
    {
        const FillGuard guard(*this);
        const Profile& profile = store().profile();
        SelectOption({optPass, optUserPass, optPIN}, profile.logonMode);
        // A sealed profile does not show how long its password is: its boxes stay empty, which
        // keeps the password as it is. The usual form shows the mask.
        const QString mask = store().sealed() ? QString() : QString::fromStdU16String(kPasswordMask);
        const QString unchanged = store().sealed() ? QStringLiteral("(unchanged)") : QString();
        txtPassword->setText(mask);
        txtconfirm->setText(mask);
        txtPassword->setPlaceholderText(unchanged);
        txtconfirm->setPlaceholderText(unchanged);
        txtUserID->setText(QString::fromStdU16String(profile.userId));
        txtSetupPIN->setText(QString::fromStdU16String(profile.pin));
        for (std::size_t i = 0; i < 3; ++i) {
            QString question;
            QString answer;
            if (i < profile.questions.size()) {
                question = QString::fromStdU16String(profile.questions[i].question);
                answer = QString::fromStdU16String(profile.questions[i].answer);
            }
            txtQuestion[i]->setText(question);
            txtanswer[i]->setText(answer);
        }
        SelectOption({optQ1, optQ2, optAll}, profile.answerMode);
        chkSeal->setChecked(store().sealed());
        passwordEdited_ = false;
        sealedOnFill_ = store().sealed();
        sealChoice_.reset();
        if (store().keptReadable()) sealChoice_ = false;
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

bool SetupView::save() {
    const EditResult edit = editStore([this](ProfileStore& store) { return store.changeSecurity(securitySettings()); });
    if (edit.refusal) {
        warn(edit.refusal->c_str(), edit.setupRule ? kSetupErrorTitle : kApplicationTitle, edit.setupRule);
        return false;
    }
    if (carryOutSave(*edit.save) == SaveOutcome::Saved) {
        rememberSealChoice();
        sealedOnFill_ = store().sealed();
        showSecretsState();
    }
    return true;
}

void SetupView::forgetProfile() {
    const FillGuard guard(*this);
    for (QLineEdit* box : {txtUserID, txtPassword, txtconfirm, txtSetupPIN, txtQuestion[0], txtQuestion[1],
                           txtQuestion[2], txtanswer[0], txtanswer[1], txtanswer[2]}) {
        EmptyBox(box);
    }
    passwordEdited_ = false;
    sealChoice_.reset();
    lblSetupStrength->clear();
    lblSealNote->clear();
}

SecuritySettings SetupView::securitySettings() const {
    SecuritySettings settings;
    settings.logonMode = store().profile().logonMode;
    if (optPass->isChecked()) settings.logonMode = kPasswordOnly;
    if (optUserPass->isChecked()) settings.logonMode = kUserIdAndPassword;
    if (optPIN->isChecked()) settings.logonMode = kUserIdPasswordAndPin;
    settings.password = txtPassword->text().toStdU16String();
    settings.confirmation = txtconfirm->text().toStdU16String();
    settings.passwordRetyped = passwordEdited_;
    settings.userId = txtUserID->text().toStdU16String();
    settings.pin = txtSetupPIN->text().toStdU16String();
    for (std::size_t i = 0; i < 3; ++i)
        settings.questions.push_back(
            SecurityQuestion{txtQuestion[i]->text().toStdU16String(), txtanswer[i]->text().toStdU16String()});
    if (optQ1->isChecked()) settings.answerMode = kOneAnswer;
    if (optQ2->isChecked()) settings.answerMode = kTwoAnswers;
    if (optAll->isChecked()) settings.answerMode = kAllAnswers;
    settings.seal = chkSeal->isChecked();
    return settings;
}

}  // namespace keyloft
