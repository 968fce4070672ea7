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
    lblUser = MakeLabel(this, "lblUser", "&User ID");
    lblPassword = MakeLabel(this, "lblPassword", "Pass&word");
    lblPin = MakeLabel(this, "lblPin", "P&IN Number");
    txtUser = MakeBox(this, "txtUser", false, false);
    txtPass = MakeBox(this, "txtPass", true, true);
    txtPin = MakeBox(this, "txtPin", true, true);
    NameBox(lblUser, txtUser);
    NameBox(lblPassword, txtPass);
    NameBox(lblPin, txtPin);
    rows_ = new QGridLayout;
    rows_->setColumnStretch(1, 1);

    cmdLogin = new QPushButton(QStringLiteral("&Continue"), this);
    cmdLogin->setObjectName(QStringLiteral("cmdLogin"));
    cmdLogin->setDefault(true);
    cmdForgot = new QPushButton(QStringLiteral("&Forgot Logon!"), this);
    cmdForgot->setObjectName(QStringLiteral("cmdForgot"));
    cmdForgot->setAccessibleDescription(QStringLiteral("Log on with the answers to the security questions"));

    fraQuestions = new QFrame(this);
    fraQuestions->setObjectName(QStringLiteral("fraQuestions"));
    fraQuestions->setFrameShape(QFrame::StyledPanel);
    auto* questions = new QGridLayout(fraQuestions);
    questions->setColumnStretch(0, 3);
    questions->setColumnStretch(1, 2);
    for (int row = 0; row < 3; ++row) {
        lblQ1[row] = MakeLabel(fraQuestions, "lblQ1", "");
        lblQ1[row]->setProperty("index", row);
        lblQ1[row]->setWordWrap(true);  // a long question takes more lines, not more width
        txtAns[row] = MakeBox(fraQuestions, "txtAns", true, false);
        txtAns[row]->setProperty("index", row);
        // Each question names its answer box once the panel shows it.
        lblQ1[row]->setBuddy(txtAns[row]);
        txtAns[row]->setAccessibleName(QStringLiteral("Answer %1").arg(row + 1));
        questions->addWidget(lblQ1[row], row, 0);
        questions->addWidget(txtAns[row], row, 1, Qt::AlignVCenter);
    }
    fraQuestions->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdLogin);
    buttons->addWidget(cmdForgot);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(rows_);
    column->addWidget(fraQuestions);
    column->addLayout(buttons);
    column->addStretch(1);
    ChainTabOrder({txtUser, txtPass, txtPin, txtAns[0], txtAns[1], txtAns[2], cmdLogin, cmdForgot});

    connect(cmdLogin, &QPushButton::clicked, this, &LogonView::logonClicked);
    connect(cmdForgot, &QPushButton::clicked, this, &LogonView::forgotClicked);

    // Return in any box of the view works as "Continue".
    for (QLineEdit* box : {txtUser, txtPass, txtPin, txtAns[0], txtAns[1], txtAns[2]}) {
        connect(box, &QLineEdit::returnPressed, cmdLogin, &QPushButton::click);
    }

    setUp(0);
}

void LogonView::emptyBoxes() {
    EmptyBox(txtPass);
    EmptyBox(txtUser);
    EmptyBox(txtPin);
}

void LogonView::setUp(int logonMode) {
    emptyBoxes();
    fraQuestions->hide();

    // The shown rows take the first rows of the grid, in this order.
    for (QWidget* control : {static_cast<QWidget*>(lblUser), static_cast<QWidget*>(txtUser),
                             static_cast<QWidget*>(lblPassword), static_cast<QWidget*>(txtPass),
                             static_cast<QWidget*>(lblPin), static_cast<QWidget*>(txtPin)}) {
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
    placeRow(lblUser, txtUser, logonMode > 1);
    placeRow(lblPassword, txtPass, logonMode > 0);
    placeRow(lblPin, txtPin, logonMode > 2);

    cmdForgot->setEnabled(logonMode > 0);

    emptyBoxes();
    for (QLineEdit* answer : txtAns) {
        EmptyBox(answer);
    }
    // The questions of the profile are shown again by Forgot Logon!
    for (int row = 0; row < 3; ++row) {
        lblQ1[row]->clear();
        txtAns[row]->setAccessibleName(QStringLiteral("Answer %1").arg(row + 1));
    }
}

void LogonView::focusFirstBox() {
    if (!txtPin->isHidden()) {
        txtPin->setFocus();
    } else if (!txtUser->isHidden()) {
        txtUser->setFocus();
    } else {
        txtPass->setFocus();
    }
}

LogonDetails LogonView::typedDetails() const {
    return {txtUser->text().toStdU16String(), txtPass->text().toStdU16String(), txtPin->text().toStdU16String()};
}

bool LogonView::openQuestions(const Profile& profile) {
    if (profile.questions.empty()) {
        return false;
    }
    fraQuestions->show();
    for (int row = 0; row < 3; ++row) {
        lblQ1[row]->hide();
        txtAns[row]->hide();
        txtAns[row]->setAccessibleName(QStringLiteral("Answer %1").arg(row + 1));
    }
    // The panel has three rows; a file with more questions shows the first three.
    for (std::size_t j = 0; j < profile.questions.size() && j < 3; ++j) {
        const QString question = QString::fromStdU16String(profile.questions[j].question);
        const QString caption = question + QStringLiteral(" ?");
        lblQ1[j]->setText(WithoutMnemonic(caption));  // an "&" in a question is shown, not a mnemonic
        txtAns[j]->setAccessibleName(caption);
        lblQ1[j]->show();
        txtAns[j]->show();
    }
    txtAns[0]->setFocus();
    return true;
}

bool LogonView::questionsShown() const { return !fraQuestions->isHidden(); }

std::vector<std::u16string> LogonView::typedAnswers() const {
    std::vector<std::u16string> answers;
    for (const QLineEdit* answer : txtAns) {
        answers.push_back(answer->text().toStdU16String());
    }
    return answers;
}

}  // namespace keyloft
