// The security setup view in the real window: filling, the checks of Save in their order, what is
// stored, the "Timer" setting and logging on again with what was saved (sealing: setup_sealing_test.cpp).
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "setup_view_fixture.h"
#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/profile_store.h"
#include "store/sealed_profile.h"
#include "support/gui_window_fixture.h"
#include "support/profile_seeding.h"
#include "support/temp_folder.h"

namespace keyloft::testing {
namespace {

TEST_F(SetupViewTest, IsFilledFromTheProfileWithTheMaskAndClearAnswers) {
    EXPECT_TRUE(find<QRadioButton>("optPass")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("optQ1")->isChecked());
    EXPECT_EQ(find<QLineEdit>("txtPassword")->text(), kMask);
    EXPECT_EQ(find<QLineEdit>("txtconfirm")->text(), kMask);
    EXPECT_EQ(find<QLineEdit>("txtUserID")->text(), QStringLiteral("Ann"));
    EXPECT_EQ(find<QLineEdit>("txtSetupPIN")->text(), QStringLiteral("1234"));
    EXPECT_EQ(nth<QLineEdit>("txtQuestion", 1)->text(), QStringLiteral("Town"));
    EXPECT_EQ(nth<QLineEdit>("txtanswer", 1)->text(), QStringLiteral("Ely"));
    EXPECT_TRUE(nth<QLineEdit>("txtQuestion", 2)->text().isEmpty());
    EXPECT_FALSE(window->isDirty());
    const QList<QLineEdit*> questions = window->findChildren<QLineEdit*>(QStringLiteral("txtQuestion"));
    ASSERT_EQ(questions.size(), 3);
    EXPECT_EQ(questions[2]->property("index").toInt(), 2);
    EXPECT_EQ(find<QRadioButton>("optPIN")->text(), QStringLiteral("User ID and Password and PIN"));
    EXPECT_EQ(VisibleText(find<QLabel>("lblQuestions")->text()),
              QStringLiteral("Security Questions and Answers"));

    // Changes mark the window dirty; Cancel drops them, also the typing in a password box.
    find<QRadioButton>("optQ2")->click();
    EXPECT_TRUE(window->isDirty());
    type(find<QLineEdit>("txtconfirm"), QStringLiteral("x"));
    ASSERT_TRUE(press("Cancel"));
    EXPECT_FALSE(window->isDirty());
    EXPECT_EQ(find<QLineEdit>("txtconfirm")->text(), kMask);
    EXPECT_TRUE(find<QRadioButton>("optQ1")->isChecked());
    type(find<QLineEdit>("txtUserID"), QStringLiteral("Ann "));
    saveAccepted();
    EXPECT_EQ(reloaded().password, u"Secret") << "the mask is not stored after a cancelled edit";

    // A value out of range selects no option instead of keeping the previous one.
    RewriteProfileFile(window->store(), [](Profile& p) {
        p.answerMode = 0;
        p.logonMode = 2;
    });
    ASSERT_TRUE(window->store().open().reload().loaded());
    ASSERT_TRUE(press("Setup"));  // shown again: filled again
    EXPECT_FALSE(find<QRadioButton>("optQ1")->isChecked() || find<QRadioButton>("optQ2")->isChecked() ||
                 find<QRadioButton>("optAll")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("optUserPass")->isChecked());
    EXPECT_FALSE(find<QRadioButton>("optPass")->isChecked());
}

TEST_F(SetupViewTest, SavingWithTheMaskUntouchedKeepsThePasswordAndStoresTheRest) {
    type(find<QLineEdit>("txtUserID"), QStringLiteral("  Bob "));
    type(find<QLineEdit>("txtSetupPIN"), QString());
    saveAccepted();
    const Profile saved = reloaded();
    EXPECT_EQ(saved.password, u"Secret");
    // With "Password Only" the user ID and PIN are still stored as typed.
    EXPECT_EQ(saved.userId, u"Bob");
    EXPECT_EQ(saved.pin, u"");
    EXPECT_EQ(saved.logonMode, 1);
    EXPECT_EQ(saved.questions, QuestionsOf({u"5|Pet|Rex", u"5|Town|Ely"}));

    // Touching a password box and leaving the mask in both stores the ten asterisks.
    type(find<QLineEdit>("txtPassword"), QStringLiteral("x"));
    type(find<QLineEdit>("txtPassword"), kMask);
    saveAccepted();
    EXPECT_EQ(reloaded().password, kMask.toStdU16String());
}

TEST_F(SetupViewTest, TheLastFailingLogonDetailsCheckIsTheOneShown) {
    // The password box alone changed: the confirmation still holds the mask.
    type(find<QLineEdit>("txtPassword"), QStringLiteral("New"));
    expectRefused(QStringLiteral("  Password does not match!"));

    // Empty password with a different confirmation: only the mismatch is reported.
    find<QRadioButton>("optPIN")->click();
    type(find<QLineEdit>("txtUserID"), QString());
    type(find<QLineEdit>("txtSetupPIN"), QStringLiteral("  "));
    type(find<QLineEdit>("txtPassword"), QString());
    type(find<QLineEdit>("txtconfirm"), QStringLiteral("x"));
    expectRefused(QStringLiteral("  Password does not match!"));

    type(find<QLineEdit>("txtconfirm"), QString());
    expectRefused(QStringLiteral(" Specify correct PIN Number!"));

    find<QRadioButton>("optUserPass")->click();
    expectRefused(QStringLiteral(" Specify correct UserID!"));

    find<QRadioButton>("optPass")->click();
    expectRefused(QStringLiteral(" Specify correct password!"));

    // The view keeps its edits after a refusal.
    EXPECT_TRUE(find<QRadioButton>("optPass")->isChecked());
    EXPECT_EQ(find<QLineEdit>("txtSetupPIN")->text(), QStringLiteral("  "));
}

TEST_F(SetupViewTest, QuestionsAndAnswersMustComeInPairs) {
    type(nth<QLineEdit>("txtQuestion", 2), QStringLiteral("Car"));
    expectRefused(QStringLiteral("Question or Answer cannot be blank!"));
    type(nth<QLineEdit>("txtQuestion", 2), QString());
    type(nth<QLineEdit>("txtanswer", 2), QStringLiteral("  "));
    type(nth<QLineEdit>("txtanswer", 1), QString());
    expectRefused(QStringLiteral("Question or Answer cannot be blank!"));
    type(nth<QLineEdit>("txtQuestion", 1), QString());
    saveAccepted();
    EXPECT_EQ(reloaded().questions, QuestionsOf({u"5|Pet|Rex"}));
}

TEST_F(SetupViewTest, TheNumberOfQuestionsMustSuitTheAnswerMode) {
    clearQuestions();
    find<QRadioButton>("optQ1")->click();
    expectRefused(QStringLiteral("There must be at least 1 question and answer!"));
    find<QRadioButton>("optAll")->click();
    expectRefused(QStringLiteral("There must be at least 1 question and answer!"));

    type(nth<QLineEdit>("txtQuestion", 0), QStringLiteral("Pet"));
    type(nth<QLineEdit>("txtanswer", 0), QStringLiteral("Rex"));
    find<QRadioButton>("optQ2")->click();
    expectRefused(QStringLiteral("There must be at least 2 questions and answers!"));

    // Questions in boxes 1 and 3 are two questions.
    type(nth<QLineEdit>("txtQuestion", 2), QStringLiteral("Car"));
    type(nth<QLineEdit>("txtanswer", 2), QStringLiteral("Fiat"));
    saveAccepted();
    Profile saved = reloaded();
    EXPECT_EQ(saved.answerMode, 2);
    EXPECT_EQ(saved.questions, QuestionsOf({u"5|Pet|Rex", u"5|Car|Fiat"}));

    // "All Answers" is accepted with a single question.
    type(nth<QLineEdit>("txtQuestion", 2), QString());
    type(nth<QLineEdit>("txtanswer", 2), QString());
    find<QRadioButton>("optAll")->click();
    saveAccepted();
    saved = reloaded();
    EXPECT_EQ(saved.answerMode, 3);
    EXPECT_EQ(saved.questions.size(), 1u);
}

TEST_F(SetupViewTest, AQuestionTypedOnlyInTheThirdBoxIsStoredFirst) {
    clearQuestions();
    type(nth<QLineEdit>("txtQuestion", 2), QStringLiteral("  Colour "));
    type(nth<QLineEdit>("txtanswer", 2), QStringLiteral(" Blue  "));
    saveAccepted();
    EXPECT_EQ(reloaded().questions, QuestionsOf({u"5|Colour|Blue"}));
    ASSERT_TRUE(press("Setup"));
    EXPECT_EQ(nth<QLineEdit>("txtQuestion", 0)->text(), QStringLiteral("Colour"));
    EXPECT_TRUE(nth<QLineEdit>("txtQuestion", 2)->text().isEmpty());
}

TEST_F(SetupViewTest, TheSeparatorIsRefusedInEveryBox) {
    for (QLineEdit* box : {find<QLineEdit>("txtUserID"), find<QLineEdit>("txtSetupPIN"),
                           nth<QLineEdit>("txtQuestion", 1), nth<QLineEdit>("txtanswer", 0)}) {
        SCOPED_TRACE(box->objectName().toStdString());
        const QString kept = box->text();
        type(box, QStringLiteral("a|b"));
        expectRefused(QStringLiteral("The character | cannot be used here."), u"Keyloft", MessageIcon::None);
        EXPECT_EQ(box->text(), QStringLiteral("a|b"));
        type(box, kept);
    }
    type(find<QLineEdit>("txtPassword"), QStringLiteral("p|q"));
    type(find<QLineEdit>("txtconfirm"), QStringLiteral("p|q"));
    expectRefused(QStringLiteral("The character | cannot be used here."), u"Keyloft", MessageIcon::None);
}

TEST_F(SetupViewTest, TheTimerSettingFollowsTheAutoLockBox) {
    auto* autoLock = find<QCheckBox>("chkTimeout");
    autoLock->setChecked(true);
    find<QSlider>("slTimer")->setValue(15);
    type(find<QLineEdit>("txtUserID"), QStringLiteral("Ann2"));
    saveAccepted();
    EXPECT_EQ(timerSetting(), u"15");

    autoLock->setChecked(false);
    type(find<QLineEdit>("txtUserID"), QStringLiteral("Ann3"));
    saveAccepted();
    EXPECT_EQ(timerSetting(), u"0");

    // A refused save writes no setting.
    autoLock->setChecked(true);
    type(find<QLineEdit>("txtPassword"), QString());
    expectRefused(QStringLiteral("  Password does not match!"));
    EXPECT_EQ(timerSetting(), u"0");
}

TEST_F(SetupViewTest, TheSavedProfileOpensWithTheNewLogon) {
    find<QRadioButton>("optUserPass")->click();
    type(find<QLineEdit>("txtUserID"), QStringLiteral("Bob"));
    type(find<QLineEdit>("txtPassword"), QStringLiteral("N3w pass"));
    type(find<QLineEdit>("txtconfirm"), QStringLiteral(" N3w pass"));
    saveAccepted();

    ASSERT_TRUE(press("Unlock"));  // captioned "Lock" in a session
    ASSERT_FALSE(window->logonAccepted());
    unlockAndChoose(QStringLiteral("Home"));
    ASSERT_FALSE(find<QLineEdit>("txtUser")->isHidden()) << "the user ID row is asked for";

    find<QLineEdit>("txtUser")->setText(QStringLiteral("Bob"));
    find<QLineEdit>("txtPass")->setText(QStringLiteral("Secret"));
    dialogs.expect(QStringLiteral(" The Details are incorrect. Please re-enter."));
    find<QPushButton>("cmdLogin")->click();
    EXPECT_FALSE(window->logonAccepted());

    find<QLineEdit>("txtPass")->setText(QStringLiteral("N3w pass"));
    find<QPushButton>("cmdLogin")->click();
    EXPECT_TRUE(window->logonAccepted());
}

}  // namespace
}  // namespace keyloft::testing
