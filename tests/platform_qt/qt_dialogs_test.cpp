// The Qt message box behind the dialogs seam: text, title, icon, buttons and default as asked.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/qt_dialogs.h"

namespace keyloft::platform {
namespace {

struct SeenBox {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Answers the next message box by clicking the button with the given caption (the first button
// when `click` is empty), and records what the box showed.
void AnswerNextBox(SeenBox& seen, const QString& click) {
    QTimer::singleShot(0, [&seen, click] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.text = box->text();
        seen.title = box->windowTitle();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text();
            if (b->text() == click || (click.isEmpty() && b == box->buttons().first())) {
                QTimer::singleShot(0, b, &QAbstractButton::click);
            }
        }
        if (box->defaultButton() != nullptr) {
            seen.defaultButton = box->defaultButton()->text();
        }
    });
}

TEST(QtDialogs, QuestionWithNoAsDefault) {
    QtDialogs dialogs;
    MessageRequest request;
    request.text = u" You have unsaved changes.\nContinue?";
    request.title = u"Changes";
    request.icon = MessageIcon::Question;
    request.buttons = MessageButtons::YesNo;
    request.defaultAnswer = MessageAnswer::No;

    SeenBox seen;
    AnswerNextBox(seen, QStringLiteral("&Yes"));
    EXPECT_EQ(dialogs.showMessage(request), MessageAnswer::Yes);
    EXPECT_EQ(seen.text, QStringLiteral(" You have unsaved changes.\nContinue?"));
    EXPECT_EQ(seen.title, QStringLiteral("Changes"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_EQ(seen.defaultButton, QStringLiteral("&No"));

    SeenBox second;
    AnswerNextBox(second, QStringLiteral("&No"));
    EXPECT_EQ(dialogs.showMessage(request), MessageAnswer::No);
}

TEST(QtDialogs, OkBoxKeepsItsIconAndTitle) {
    QtDialogs dialogs;
    MessageRequest request;
    request.text = u"Keyloft is already running!";
    request.title = u"Second Instance";
    request.icon = MessageIcon::Critical;
    SeenBox seen;
    AnswerNextBox(seen, QString());
    EXPECT_EQ(dialogs.showMessage(request), MessageAnswer::Ok);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.title, QStringLiteral("Second Instance"));
    EXPECT_EQ(seen.buttons.size(), 1);

    request.icon = MessageIcon::Exclamation;
    SeenBox warned;
    AnswerNextBox(warned, QString());
    dialogs.showMessage(request);
    EXPECT_EQ(warned.icon, QMessageBox::Warning);
}

// Lock closes whatever is open as if cancelled: a question answers No, an OK box OK, a file
// question gives no file.
TEST(QtDialogs, CloseAllClosesEveryOpenDialogAsCancelled) {
    QtDialogs dialogs;
    MessageRequest question;
    question.text = u"Are you sure you wish to delete this entry?";
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::Yes;
    MessageRequest told;
    told.text = u"There are passwords which are due to expire in 7 days.";
    for (const MessageRequest& request : {question, told}) {
        bool open = false;
        QTimer::singleShot(0, [&dialogs, &open] {
            open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
            dialogs.closeAll();
        });
        EXPECT_EQ(dialogs.showMessage(request),
                  request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok);
        EXPECT_TRUE(open);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    // Any other dialog (a file question; a plain one here, as a file dialog would keep its
    // history in the user's settings) with a box over it: both close.
    QDialog fileQuestion;
    QTimer::singleShot(0, [&dialogs, &told] {
        QTimer::singleShot(0, [] { CloseOpenDialogs(); });
        EXPECT_EQ(dialogs.showMessage(told), MessageAnswer::Ok);
    });
    EXPECT_EQ(fileQuestion.exec(), QDialog::Rejected);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(BusyPointer, IdleUndoesEveryBusyPointer) {
    ShowBusyPointer();
    ShowBusyPointer();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ShowIdlePointer();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace keyloft::platform
