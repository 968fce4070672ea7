// Logon in the three logon modes, and the forgotten-logon questions.
#include <algorithm>
#include <cstdlib>

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>

#include "app/logon_view.h"
#include "store/profile_history.h"
#include "store/profile_store.h"
#include "support/gui_window_fixture.h"

namespace keyloft::testing {
namespace {

const QString kIncorrect = QStringLiteral(" The Details are incorrect. Please re-enter.");

class Logon : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"One", .logonMode = 1, .password = u"Secret"});
        writeProfile({.name = u"Two", .logonMode = 2, .userId = u"Ann", .password = u"Secret"});
        writeProfile(
            {.name = u"Three", .logonMode = 3, .userId = u"Ann", .password = u"Secret", .pin = u"4321"});
        writeProfile({.name = u"Asked",
                      .password = u"Secret",
                      .questions = {{u"Pet", u"Rex"}, {u"Town", u"Ely"}, {u"Car", u"Fiat"}},
                      .answerMode = 2});
        start();
    }
    QLineEdit* box(const char* name) { return find<QLineEdit>(name); }
    void login() { find<QPushButton>("cmdLogin")->click(); }
    // Only these rows are shown, from the top of the view in this order, each label level with
    // its box and before it.
    void expectRows(const std::vector<std::pair<const char*, const char*>>& rows) {
        int above = -1;
        for (const auto& [labelName, boxName] : rows) {
            const QWidget* label = findIn<QLabel>("fraLogin", labelName);
            const QWidget* shown = box(boxName);
            EXPECT_TRUE(shown->isVisible() && label->isVisible()) << boxName;
            EXPECT_GT(shown->y(), above) << boxName;
            EXPECT_LE(std::abs(label->geometry().center().y() - shown->geometry().center().y()), 2)
                << labelName;
            EXPECT_LT(label->geometry().right(), shown->x()) << labelName;
            above = shown->geometry().bottom();
        }
        for (const char* name : {"txtUser", "txtPass", "txtPin"}) {
            const bool listed = std::any_of(
                rows.begin(), rows.end(), [name](const auto& row) { return QByteArray(row.second) == name; });
            EXPECT_EQ(box(name)->isVisible(), listed) << name;
        }
    }
    void expectRefused() {
        EXPECT_FALSE(window->logonAccepted());
        ASSERT_FALSE(dialogs.shown().empty());
        EXPECT_EQ(dialogs.last().title, u"Keyloft");
        EXPECT_EQ(dialogs.last().icon, MessageIcon::None);
        EXPECT_TRUE(frameShown("fraLogin"));
        EXPECT_FALSE(button("Setup")->isEnabled());
    }
    void expectLoggedOn(const QString& profile) {
        EXPECT_TRUE(window->logonAccepted());
        EXPECT_FALSE(frameShown("fraLogin"));
        // A profile in the readable form says so once, at logon.
        EXPECT_EQ(statusText(),
                  QStringLiteral("You are logged into ") + profile +
                      QStringLiteral(" profile!  Anyone who can copy this profile's file can read it: "
                                     "Setup seals it."));
        EXPECT_TRUE(button("Setup")->isEnabled());
        EXPECT_TRUE(button("Passwords")->isEnabled());
        EXPECT_FALSE(window->isDirty());
    }
};

// A file this user last saw sealed, and now in the usual form (a readable copy put in its place):
// the window asks, default No; No keeps it closed in the profile view, Yes goes on to the logon.
TEST_F(Logon, AProfileFileReplacedByAReadableCopyIsAskedAbout) {
    RememberSeenProfile(*settings, folder / "One.dat", SeenProfile{true, 1});
    for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        SCOPED_TRACE(answer == MessageAnswer::Yes ? "Yes" : "No");
        dialogs.answerNext(answer);
        if (answer == MessageAnswer::No) {
            unlockAndChoose(QStringLiteral("One"));
        } else {
            find<QPushButton>("cmdNext")->click();  // "One" is still chosen in the profile view
        }
        ASSERT_FALSE(dialogs.shown().empty());
        EXPECT_EQ(dialogs.last().question, Question::OpenReplacedProfile);
        EXPECT_EQ(dialogs.last().defaultAnswer, MessageAnswer::No);
        EXPECT_NE(dialogs.last().text.find(u"is not sealed now"), std::u16string::npos);
        EXPECT_EQ(frameShown("fraLogin"), answer == MessageAnswer::Yes);
        EXPECT_EQ(frameShown("fraProfile"), answer == MessageAnswer::No);
    }
}

TEST_F(Logon, PasswordOnlyShowsOneRowAtTheTop) {
    unlockAndChoose(QStringLiteral("One"));
    ASSERT_TRUE(frameShown("fraLogin"));
    EXPECT_FALSE(frameShown("fraProfile"));
    expectRows({{"lblPassword", "txtPass"}});
    EXPECT_EQ(window->focusWidget(), box("txtPass"));
    EXPECT_TRUE(find<QPushButton>("cmdForgot")->isEnabled());
    for (const char* key : {"Add", "Delete", "Save", "Cancel"}) {
        EXPECT_FALSE(button(key)->isVisible()) << key;
    }

    box("txtPass")->setText(QStringLiteral("  Secret "));
    login();
    expectLoggedOn(QStringLiteral("One"));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Logon, PasswordOnlyIsCaseSensitiveAndKeepsWhatWasTyped) {
    unlockAndChoose(QStringLiteral("One"));
    box("txtPass")->setText(QStringLiteral("secret"));
    dialogs.expect(kIncorrect);
    login();
    expectRefused();
    EXPECT_EQ(box("txtPass")->text(), QStringLiteral("secret"));
    // Unlimited retries.
    box("txtPass")->setText(QStringLiteral("Secret"));
    login();
    expectLoggedOn(QStringLiteral("One"));
}

TEST_F(Logon, UserIdAndPasswordRowsInOrderWithFocusOnTheUserId) {
    unlockAndChoose(QStringLiteral("Two"));
    expectRows({{"lblUser", "txtUser"}, {"lblPassword", "txtPass"}});
    EXPECT_EQ(window->focusWidget(), box("txtUser"));

    // Right password, user ID in the wrong case.
    box("txtUser")->setText(QStringLiteral("ann"));
    box("txtPass")->setText(QStringLiteral("Secret"));
    dialogs.expect(kIncorrect);
    login();
    expectRefused();

    box("txtUser")->setText(QStringLiteral(" Ann  "));
    login();
    expectLoggedOn(QStringLiteral("Two"));
}

TEST_F(Logon, PinModeShowsThreeRowsAndChecksThePin) {
    unlockAndChoose(QStringLiteral("Three"));
    expectRows({{"lblUser", "txtUser"}, {"lblPassword", "txtPass"}, {"lblPin", "txtPin"}});
    EXPECT_EQ(window->focusWidget(), box("txtPin"));

    box("txtUser")->setText(QStringLiteral("Ann"));
    box("txtPass")->setText(QStringLiteral("Secret"));
    box("txtPin")->setText(QStringLiteral("1234"));
    dialogs.expect(kIncorrect);
    login();
    expectRefused();

    box("txtPin")->setText(QStringLiteral("4321 "));
    login();
    expectLoggedOn(QStringLiteral("Three"));
}

TEST_F(Logon, TheTimerSettingTicksAutoLockWithoutMarkingTheWindowDirty) {
    ASSERT_TRUE(settings->write(u"Timer", u"15"));
    unlockAndChoose(QStringLiteral("One"));
    box("txtPass")->setText(QStringLiteral("Secret"));
    login();
    expectLoggedOn(QStringLiteral("One"));
    EXPECT_TRUE(find<QCheckBox>("chkTimeout")->isChecked());
    EXPECT_EQ(find<QSlider>("slTimer")->value(), 15);
    EXPECT_EQ(VisibleText(find<QCheckBox>("chkTimeout")->text()),
              QStringLiteral("Auto lock after 15 minutes"));
    EXPECT_TRUE(find<QTimer>("tmrLock")->isActive());
}

TEST_F(Logon, AZeroTimerSettingLeavesAutoLockAlone) {
    ASSERT_TRUE(settings->write(u"Timer", u"0"));
    unlockAndChoose(QStringLiteral("One"));
    box("txtPass")->setText(QStringLiteral("Secret"));
    login();
    EXPECT_FALSE(find<QCheckBox>("chkTimeout")->isChecked());
    EXPECT_FALSE(find<QTimer>("tmrLock")->isActive());
    EXPECT_EQ(VisibleText(find<QCheckBox>("chkTimeout")->text()),
              QStringLiteral("Auto lock after time expires"));
}

TEST_F(Logon, ForgotLogonAsksTheStoredQuestionsAndCountsAnswersInTheirOwnRow) {
    unlockAndChoose(QStringLiteral("Asked"));
    find<QPushButton>("cmdForgot")->click();
    ASSERT_TRUE(frameShown("fraQuestions"));
    const QList<QLabel*> labels = window->findChildren<QLabel*>(QStringLiteral("lblQ1"));
    const QList<QLineEdit*> answers = window->findChildren<QLineEdit*>(QStringLiteral("txtAns"));
    ASSERT_EQ(labels.size(), 3);
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("Pet ?"));
    EXPECT_EQ(labels[2]->text(), QStringLiteral("Car ?"));
    EXPECT_EQ(window->focusWidget(), answers[0]);

    // The right password is ignored once the panel is open; one right answer is not enough,
    // and an answer in another question's row does not count.
    box("txtPass")->setText(QStringLiteral("Secret"));
    answers[0]->setText(QStringLiteral("Rex"));
    answers[1]->setText(QStringLiteral("Fiat"));
    dialogs.expect(kIncorrect);
    login();
    expectRefused();
    EXPECT_TRUE(frameShown("fraQuestions"));

    answers[1]->setText(QStringLiteral("ELY"));
    dialogs.expect(kIncorrect);
    login();
    expectRefused();

    answers[2]->setText(QStringLiteral("  Fiat "));
    login();
    expectLoggedOn(QStringLiteral("Asked"));
}

TEST_F(Logon, ANewProfileOffersItsDefaultQuestion) {
    unlockAndChoose(QStringLiteral("One"));
    find<QPushButton>("cmdForgot")->click();
    const QList<QLabel*> labels = window->findChildren<QLabel*>(QStringLiteral("lblQ1"));
    ASSERT_EQ(labels.size(), 3);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("Default Question ?"));
    EXPECT_TRUE(labels[0]->isVisible());
    EXPECT_FALSE(labels[1]->isVisible());
    window->findChildren<QLineEdit*>(QStringLiteral("txtAns"))[0]->setText(QStringLiteral("opensesame"));
    login();
    expectLoggedOn(QStringLiteral("One"));
}

// The checks themselves are the store's logon step (tests/store/sealed_profile_test.cpp, LogonStep).
TEST(LogonViewChecks, AnInvalidLogonModeHasNoForgotButtonAndTheBoxesGoToTheLogonStep) {
    LogonView view;
    Profile profile;
    profile.logonMode = 0;
    view.setUp(profile.logonMode);
    EXPECT_FALSE(child<QPushButton>(&view, QStringLiteral("cmdForgot"))->isEnabled());
    child<QLineEdit>(&view, QStringLiteral("txtPass"))->setText(QStringLiteral(" x "));
    EXPECT_EQ(view.typedDetails().password, u" x ");

    profile.questions = {SecurityQuestion{u"Q", u"A"}};
    ASSERT_TRUE(view.openQuestions(profile));
    child<QLineEdit>(&view, QStringLiteral("txtAns"))->setText(QStringLiteral("A"));
    EXPECT_EQ(view.typedAnswers(), (std::vector<std::u16string>{u"A", u"", u""}));
}

}  // namespace
}  // namespace keyloft::testing
