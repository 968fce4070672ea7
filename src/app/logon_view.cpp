#include "app/logon_view.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/box_label.h"
#include "pages/secret_box.h"
#include "pages/tab_order.h"
#include "pages/text_rules.h"
#include "store/profile.h"

namespace keyloft {
namespace {

// Secret boxes (the password, the PIN and the answers) keep their text out of the X selection;
// the password and the PIN also hide it.
QLineEdit* MakeBox(QWidget* parent, const char* name, bool secret, bool hidden) {
    QLineEdit* box = secret ? new SecretBox(parent) : new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 24);
    if (hidden) {
        box->setEchoMode(QLineEdit::Password);
    }
    return box;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

// The rows of the logon mode from the top, each label beside its box; the questions panel under
// them once "Forgot Logon!" opens it; the two buttons below. Every size comes from the font.
LogonView::LogonView(QWidget* parent) : QGroupBox(QStringLiteral("Logon"), parent) {
    setObjectName(QStringLiteral("fraLogin"));

    // Alt+U, Alt+W and Alt+I; C and F belong to the buttons, P to Park.
    userIdLabel = MakeLabel(this, "lblUser", "&User ID");
    passwordLabel = MakeLabel(this, "lblPassword", "Pass&word");
    pinLabel = MakeLabel(this, "lblPin", "P&IN Number");
    userIdBox = MakeBox(this, "txtUser", false, false);
    passwordBox = MakeBox(this, "txtPass", true, true);
    pinBox = MakeBox(this, "txtPin", true, true);
    NameBox(userIdLabel, userIdBox);
    NameBox(passwordLabel, passwordBox);
    NameBox(pinLabel, pinBox);
    rows_ = new QGridLayout;
    rows_->setColumnStretch(1, 1);

    logonButton = new QPushButton(QStringLiteral("&Continue"), this);
    logonButton->setObjectName(QStringLiteral("cmdLogin"));
    logonButton->setDefault(true);
    forgotButton = new QPushButton(QStringLiteral("&Forgot Logon!"), this);
    forgotButton->setObjectName(QStringLiteral("cmdForgot"));
    forgotButton->setAccessibleDescription(
        QStringLiteral("Log on with the answers to the security questions"));

    questionsPanel = new QFrame(this);
    questionsPanel->setObjectName(QStringLiteral("fraQuestions"));
    questionsPanel->setFrameShape(QFrame::StyledPanel);
    auto* questions = new QGridLayout(questionsPanel);
    questions->setColumnStretch(0, 3);
    questions->setColumnStretch(1, 2);
    for (int row = 0; row < 3; ++row) {
        questionLabels[row] = MakeLabel(questionsPanel, "lblQ1", "");
        questionLabels[row]->setProperty("index", row);
        questionLabels[row]->setWordWrap(true);  // a long question takes more lines, not more width
        answerBoxes[row] = MakeBox(questionsPanel, "txtAns", true, false);
        answerBoxes[row]->setProperty("index", row);
        // Each question names its answer box once the panel shows it.
        questionLabels[row]->setBuddy(answerBoxes[row]);
        answerBoxes[row]->setAccessibleName(QStringLiteral("Answer %1").arg(row + 1));
        questions->addWidget(questionLabels[row], row, 0);
        questions->addWidget(answerBoxes[row], row, 1, Qt::AlignVCenter);
    }
    questionsPanel->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(logonButton);
    buttons->addWidget(forgotButton);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(rows_);
    column->addWidget(questionsPanel);
    column->addLayout(buttons);
    column->addStretch(1);
    ChainTabOrder({userIdBox, passwordBox, pinBox, answerBoxes[0], answerBoxes[1], answerBoxes[2],
                   logonButton, forgotButton});

    connect(logonButton, &QPushButton::clicked, this, &LogonView::logonClicked);
    connect(forgotButton, &QPushButton::clicked, this, &LogonView::forgotClicked);

    // Return in any box of the view works as "Continue".
    for (QLineEdit* box : {userIdBox, passwordBox, pinBox, answerBoxes[0], answerBoxes[1], answerBoxes[2]}) {
        connect(box, &QLineEdit::returnPressed, logonButton, &QPushButton::click);
    }

    setUp(0);
}

void LogonView::emptyBoxes() {
    EmptyBox(passwordBox);
    EmptyBox(userIdBox);
    EmptyBox(pinBox);
}

void LogonView::setUp(int logonMode) {
    emptyBoxes();
    questionsPanel->hide();

    // The shown rows take the first rows of the grid, in this order.
    for (QWidget* control : {static_cast<QWidget*>(userIdLabel), static_cast<QWidget*>(userIdBox),
                             static_cast<QWidget*>(passwordLabel), static_cast<QWidget*>(passwordBox),
                             static_cast<QWidget*>(pinLabel), static_cast<QWidget*>(pinBox)}) {
        rows_->removeWidget(control);
    }
    int row = 0;
    auto placeRow = [this, &row](QLabel* label, QLineEdit* box, bool shown) {
        label->setVisible(shown);
        box->setVisible(shown);
        if (!shown) {
            return;
        }
        rows_->addWidget(label, row, 0);
        rows_->addWidget(box, row, 1);
        ++row;
    };
    placeRow(userIdLabel, userIdBox, logonMode > 1);
    placeRow(passwordLabel, passwordBox, logonMode > 0);
    placeRow(pinLabel, pinBox, logonMode > 2);

    forgotButton->setEnabled(logonMode > 0);

    emptyBoxes();
    for (QLineEdit* answer : answerBoxes) {
        EmptyBox(answer);
    }
    // The questions of the profile are shown again by Forgot Logon!
    for (int row = 0; row < 3; ++row) {
        questionLabels[row]->clear();
        answerBoxes[row]->setAccessibleName(QStringLiteral("Answer %1").arg(row + 1));
    }
}

void LogonView::focusFirstBox() {
    if (!pinBox->isHidden()) {
        pinBox->setFocus();
    } else if (!userIdBox->isHidden()) {
        userIdBox->setFocus();
    } else {
        passwordBox->setFocus();
    }
}

LogonDetails LogonView::typedDetails() const {
    return {userIdBox->text().toStdU16String(), passwordBox->text().toStdU16String(),
            pinBox->text().toStdU16String()};
}

bool LogonView::openQuestions(const Profile& profile) {
    if (profile.questions.empty()) {
        return false;
    }
    questionsPanel->show();
    for (int row = 0; row < 3; ++row) {
        questionLabels[row]->hide();
        answerBoxes[row]->hide();
        answerBoxes[row]->setAccessibleName(QStringLiteral("Answer %1").arg(row + 1));
    }
    // The panel has three rows; a file with more questions shows the first three.
    for (std::size_t j = 0; j < profile.questions.size() && j < 3; ++j) {
        const QString question = QString::fromStdU16String(profile.questions[j].question);
        const QString caption = question + QStringLiteral(" ?");
        questionLabels[j]->setText(
            WithoutMnemonic(caption));  // an "&" in a question is shown, not a mnemonic
        answerBoxes[j]->setAccessibleName(caption);
        questionLabels[j]->show();
        answerBoxes[j]->show();
    }
    answerBoxes[0]->setFocus();
    return true;
}

bool LogonView::questionsShown() const { return !questionsPanel->isHidden(); }

std::vector<std::u16string> LogonView::typedAnswers() const {
    std::vector<std::u16string> answers;
    for (const QLineEdit* answer : answerBoxes) {
        answers.push_back(answer->text().toStdU16String());
    }
    return answers;
}

}  // namespace keyloft
