// The forgotten-logon panel with profiles whose questions do not fit the usual three.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "support/gui_window_fixture.h"

namespace keyloft::testing {
namespace {

const QString kIncorrect = QStringLiteral(" The Details are incorrect. Please re-enter.");

class ForgottenLogon : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile(
            {.name = u"Many",
             .password = u"Secret",
             .questions = {{u"Pet", u"Rex"}, {u"Town", u"Ely"}, {u"Car", u"Fiat"}, {u"Tea", u"Earl"}},
             .answerMode = 3});
        writeProfile(
            {.name = u"Short", .password = u"Secret", .questions = {{u"Pet", u"Rex"}}, .answerMode = 3});
        start();
    }
    QList<QLabel*> labels() { return window->findChildren<QLabel*>(QStringLiteral("lblQ1")); }
    QList<QLineEdit*> answers() { return window->findChildren<QLineEdit*>(QStringLiteral("txtAns")); }
    void forgot() { find<QPushButton>("cmdForgot")->click(); }
    void login() { find<QPushButton>("cmdLogin")->click(); }
};

TEST_F(ForgottenLogon, AFileWithMoreThanThreeQuestionsShowsAndCountsTheFirstThree) {
    unlockAndChoose(QStringLiteral("Many"));
    forgot();
    ASSERT_EQ(labels().size(), 3);
    for (QLabel* label : labels()) EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(labels()[2]->text(), QStringLiteral("Car ?"));

    // The fourth answer typed anywhere counts for nothing.
    answers()[0]->setText(QStringLiteral("Rex"));
    answers()[1]->setText(QStringLiteral("Ely"));
    answers()[2]->setText(QStringLiteral("Earl"));
    dialogs.expect(kIncorrect);
    login();
    EXPECT_FALSE(window->logonAccepted());

    answers()[2]->setText(QStringLiteral("Fiat "));
    login();
    EXPECT_TRUE(window->logonAccepted());
}

TEST_F(ForgottenLogon, AllAnswersCannotBeGivenWithFewerThanThreeQuestions) {
    unlockAndChoose(QStringLiteral("Short"));
    forgot();
    EXPECT_FALSE(labels()[0]->isHidden());
    EXPECT_TRUE(labels()[1]->isHidden());
    EXPECT_TRUE(answers()[1]->isHidden());
    answers()[0]->setText(QStringLiteral("Rex"));
    dialogs.expect(kIncorrect);
    login();
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_FALSE(find<QWidget>("fraQuestions")->isHidden()) << "the panel stays for another try";
}

}  // namespace
}  // namespace keyloft::testing
