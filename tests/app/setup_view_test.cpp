// The security setup view in the real window: filling, the checks of Save in their order, what is
// stored, the "Timer" setting, logging on again with what was saved, and sealing: when the box
// ticks itself, what the view says about the password and the answers, and the sealing rule.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "store/profile_history.h"
#include "store/profile_codec.h"
#include "store/profile_store.h"
#include "store/sealed_profile.h"
#include "support/temp_folder.h"
#include "support/gui_window_fixture.h"
#include "support/profile_seeding.h"

#include <sodium.h>

namespace keyloft::testing {
namespace {

const QString kMask = QStringLiteral("**********");
// A password the sealing rule accepts.
const QString kStrong = QStringLiteral("violet harbour 47 kites");

class SetupViewTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile(home);
        // Its owner keeps it readable (as the folder is shared with older copies): saves keep the
        // usual form unless a test ticks sealing itself.
        if (keptReadable) {
            RememberKeptReadable(*settings, folder / "Home.dat", true);
        }
        assemble = true;
        start();
        logOnAs(home);
        ASSERT_TRUE(press("Setup"));
        ASSERT_TRUE(frameShown("fraSecurityOptions"));
    }
    const Profile& profile() { return window->store().profile(); }
    // Sets a box as typing would (its change event runs).
    static void type(QLineEdit* box, const QString& text) { box->setText(text); }
    void clearQuestions() {
        for (std::size_t i = 0; i < 3; ++i) {
            type(nth<QLineEdit>("txtQuestion", i), QString());
            type(nth<QLineEdit>("txtanswer", i), QString());
        }
    }
    // Save expected to be refused with `text`; nothing may change in the profile.
    void expectRefused(const QString& text, const std::u16string& title = u"Error",
                       MessageIcon icon = MessageIcon::Exclamation) {
        const Profile before = profile();
        dialogs.expect(text);
        ASSERT_TRUE(press("Save"));
        EXPECT_EQ(dialogs.last().title, title);
        EXPECT_EQ(dialogs.last().icon, icon);
        EXPECT_EQ(dialogs.last().buttons, MessageButtons::Ok);
        EXPECT_TRUE(window->isDirty());
        EXPECT_TRUE(button("Save")->isEnabled());
        EXPECT_EQ(profile().password, before.password);
        EXPECT_EQ(profile().userId, before.userId);
        EXPECT_EQ(profile().logonMode, before.logonMode);
        EXPECT_EQ(profile().questions, before.questions);
        EXPECT_EQ(profile().answerMode, before.answerMode);
        EXPECT_EQ(profile().version, before.version) << "nothing may be written";
    }
    void saveAccepted() {
        const std::size_t before = dialogs.shown().size();
        ASSERT_TRUE(press("Save"));
        EXPECT_EQ(dialogs.shown().size(), before) << "no message expected";
        EXPECT_FALSE(window->isDirty());
        EXPECT_FALSE(button("Save")->isEnabled());
        EXPECT_FALSE(button("Cancel")->isEnabled());
    }
    // The profile as its file holds it.
    Profile reloaded() {
        EXPECT_TRUE(window->store().ReadFromFile().loaded());
        return window->store().profile();
    }
    std::u16string setting(const char16_t* name) {
        std::u16string value;
        EXPECT_TRUE(settings->read(name, value));
        return value;
    }
    std::u16string timerSetting() { return setting(u"Timer"); }
    void typePassword(const QString& password) {
        type(find<QLineEdit>("txtPassword"), password);
        type(find<QLineEdit>("txtconfirm"), password);
    }

    std::string fileBytes() { return TempFolder::readFile(folder / "Home.dat"); }
    bool remembersKeptReadable() { return ReadKeptReadable(*settings, folder / "Home.dat"); }
    bool fileSealed() { return fileBytes().rfind("KEYLOFT SEALED 1\r\n", 0) == 0; }

    bool keptReadable = true;
    ProfileOnDisk home{.name = u"Home",
                       .userId = u"Ann",
                       .password = u"Secret",
                       .pin = u"1234",
                       .questions = {{u"Pet", u"Rex"}, {u"Town", u"Ely"}},
                       .answerMode = 1};
};

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
    EXPECT_EQ(VisibleText(find<QLabel>("lblQuestions")->text()), QStringLiteral("Security Questions and Answers"));

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
    ASSERT_TRUE(window->store().ReadFromFile().loaded());
    ASSERT_TRUE(press("Setup"));  // shown again: filled again
    EXPECT_FALSE(find<QRadioButton>("optQ1")->isChecked() || find<QRadioButton>("optQ2")->isChecked() || find<QRadioButton>("optAll")->isChecked());
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
    for (QLineEdit* box : {find<QLineEdit>("txtUserID"), find<QLineEdit>("txtSetupPIN"), nth<QLineEdit>("txtQuestion", 1), nth<QLineEdit>("txtanswer", 0)}) {
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

// Sealing through the check box: the saved file opens only with the new logon or the answers.
class SealedSetupTest : public SetupViewTest {
  protected:
    void lockAndChoose() {
        ASSERT_TRUE(press("Unlock"));
        ASSERT_FALSE(window->logonAccepted());
        unlockAndChoose(QStringLiteral("Home"));
    }
    void logOnWith(const QString& password) {
        find<QLineEdit>("txtPass")->setText(password);
        find<QPushButton>("cmdLogin")->click();
        waitForLogon();
    }
};

TEST_F(SealedSetupTest, TheCheckBoxSealsTheFileAndTheNewLogonOrTheAnswersOpenIt) {
    auto* seal = find<QCheckBox>("chkSeal");
    ASSERT_NE(seal, nullptr);
    EXPECT_EQ(VisibleText(seal->text()), QStringLiteral("Seal the profile file with the logon"));
    EXPECT_EQ(seal->toolTip(), QStringLiteral("A sealed profile can only be opened with its logon or its security answers"));
    EXPECT_FALSE(seal->isChecked()) << "kept readable by its owner";
    seal->click();
    EXPECT_TRUE(window->isDirty());
    typePassword(kStrong);
    saveAccepted();
    const std::string bytes = fileBytes();
    ASSERT_EQ(bytes.rfind("KEYLOFT SEALED 1\r\n", 0), 0u);
    EXPECT_EQ(bytes.find(kStrong.toStdString()), std::string::npos);
    EXPECT_FALSE(remembersKeptReadable()) << "sealed: no longer kept readable";

    lockAndChoose();
    EXPECT_TRUE(window->store().profile().entries.empty());
    dialogs.expect(QStringLiteral(" The Details are incorrect. Please re-enter."));
    logOnWith(QStringLiteral("Secret"));
    EXPECT_FALSE(window->logonAccepted());
    logOnWith(QStringLiteral(" ") + kStrong + QStringLiteral(" "));
    ASSERT_TRUE(window->logonAccepted());
    EXPECT_EQ(statusText(), QStringLiteral("You are logged into Home profile!")) << "a sealed file needs no warning";
    ASSERT_TRUE(press("Setup"));
    EXPECT_TRUE(find<QCheckBox>("chkSeal")->isChecked());
    // Sealed: the password boxes are empty, and left so they keep the password.
    for (const char* box : {"txtPassword", "txtconfirm"}) {
        EXPECT_EQ(find<QLineEdit>(box)->text(), QString()) << box;
        EXPECT_EQ(find<QLineEdit>(box)->placeholderText(), QStringLiteral("(unchanged)")) << box;
    }
    type(nth<QLineEdit>("txtanswer", 0), QStringLiteral("Rex the second"));
    saveAccepted();
    lockAndChoose();
    logOnWith(kStrong);
    ASSERT_TRUE(window->logonAccepted());

    // The forgotten-logon panel opens it with one answer (the answer mode of this profile).
    lockAndChoose();
    find<QPushButton>("cmdForgot")->click();
    const QList<QLineEdit*> answers = window->findChildren<QLineEdit*>(QStringLiteral("txtAns"));
    ASSERT_EQ(answers.size(), 3);
    answers[1]->setText(QStringLiteral("Rex"));
    dialogs.expect(QStringLiteral(" The Details are incorrect. Please re-enter."));
    find<QPushButton>("cmdLogin")->click();
    waitForLogon();
    EXPECT_FALSE(window->logonAccepted());
    answers[1]->setText(QStringLiteral("Ely "));
    find<QPushButton>("cmdLogin")->click();
    waitForLogon();
    ASSERT_TRUE(window->logonAccepted());

    // The answers do not reveal the password: Save asks for a new one. Unticked, Save writes the
    // usual form again.
    ASSERT_TRUE(press("Setup"));
    find<QCheckBox>("chkSeal")->click();
    dialogs.expect(QStringLiteral(" Specify correct password!"));
    ASSERT_TRUE(press("Save"));
    EXPECT_TRUE(fileSealed()) << "refused: nothing written";
    typePassword(kStrong);
    saveAccepted();
    EXPECT_NE(fileBytes().rfind("KEYLOFT SEALED 1", 0), 0u);
    EXPECT_TRUE(remembersKeptReadable()) << "unticked by its owner: kept readable";
    lockAndChoose();
    logOnWith(kStrong);
    EXPECT_TRUE(window->logonAccepted());
}

TEST_F(SealedSetupTest, TheKeyIsMadeOffTheWindowsThreadAndALockOrCloseMeanwhileIsSafe) {
    find<QCheckBox>("chkSeal")->click();
    typePassword(kStrong);
    saveAccepted();
    const auto startLogon = [this] {
        lockAndChoose();
        find<QLineEdit>("txtPass")->setText(kStrong);
        find<QPushButton>("cmdLogin")->click();
    };
    startLogon();
    // While the key is made: the busy bar and its words, the logon boxes off, nobody logged on.
    EXPECT_FALSE(find<QWidget>("logonBusy")->isHidden());
    EXPECT_FALSE(find<QWidget>("fraLogin")->isEnabled());
    EXPECT_EQ(statusText(), QStringLiteral("Opening the sealed profile..."));
    EXPECT_FALSE(window->logonAccepted());
    waitForLogon();
    EXPECT_TRUE(window->logonAccepted());
    EXPECT_TRUE(find<QWidget>("logonBusy")->isHidden());
    EXPECT_TRUE(find<QWidget>("fraLogin")->isEnabled());

    // Locked before the key was found: the key is dropped and the window stays locked.
    startLogon();
    ASSERT_TRUE(press("Unlock"));  // captioned "Lock" while the session is open
    waitForLogon();
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_TRUE(frameShown("welcomeView"));
    EXPECT_TRUE(find<QWidget>("logonBusy")->isHidden());

    // Closed meanwhile: the window waits for the thread as it goes.
    startLogon();
    parts.reset();
    window->close();
    window.reset();
}

TEST_F(SealedSetupTest, ADamagedSealedFileShowsItsMessageAndNothingOfIt) {
    find<QCheckBox>("chkSeal")->click();
    typePassword(kStrong);
    saveAccepted();
    ASSERT_TRUE(press("Unlock"));
    window->store().CloseHeldFile();
    const std::string good = fileBytes();

    // A changed version line with a check line made again: only the body's authentication finds it.
    std::vector<std::string> lines = SplitFileLines(good);
    for (std::string& line : lines) {
        if (line.rfind("version=", 0) == 0) line = "version=77";
    }
    lines.pop_back();
    const std::string joined = JoinFileLines(lines);
    unsigned char hash[crypto_generichash_BYTES];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(joined.data()), joined.size(), nullptr,
                       0);
    char text[sodium_base64_ENCODED_LEN(crypto_generichash_BYTES, sodium_base64_VARIANT_ORIGINAL)];
    sodium_bin2base64(text, sizeof text, hash, sizeof hash, sodium_base64_VARIANT_ORIGINAL);
    TempFolder::writeFile(folder / "Home.dat", joined + "check=" + text + "\r\n");
    unlockAndChoose(QStringLiteral("Home"));
    ASSERT_TRUE(frameShown("fraLogin"));
    dialogs.expect(QStringLiteral("The profile file is damaged."));
    logOnWith(kStrong);
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_FALSE(frameShown("fraLogin"));
    EXPECT_TRUE(frameShown("fraProfile"));
    EXPECT_TRUE(window->store().profile().entries.empty());
    EXPECT_TRUE(window->store().profile().questions.empty());
    EXPECT_FALSE(button("Setup")->isEnabled());

    // A flipped bit is found as the file is opened.
    std::string flipped = good;
    flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x02);
    TempFolder::writeFile(folder / "Home.dat", flipped);
    dialogs.expect(QStringLiteral("The profile file is damaged."));
    find<QPushButton>("cmdNext")->click();
    EXPECT_FALSE(frameShown("fraLogin"));
    EXPECT_TRUE(frameShown("fraProfile"));
}

// A new profile, nobody's choice yet: the seal box waits for a password and answers of the user's
// own, then ticks itself until the user ticks or unticks it.
class SealingChoiceTest : public SetupViewTest {
  protected:
    SealingChoiceTest() {
        home = ProfileOnDisk{.name = u"Home"};
        keptReadable = false;
    }
    QCheckBox* seal() { return find<QCheckBox>("chkSeal"); }
    QLabel* note() { return find<QLabel>("lblSealNote"); }
    std::string strength() { return find<QLabel>("lblSetupStrength")->text().toStdString(); }
};

TEST_F(SealingChoiceTest, TheBoxTicksItselfForOwnSecretsAndThenStaysAsTheUserLeftIt) {
    const QString ownFirst = QStringLiteral(
        "Choose a password and security answers of your own first: every new profile starts with the same ones, so "
        "they would not seal anything.");
    const QString canSeal = QStringLiteral("A sealed profile can only be opened with its logon or its security answers");
    EXPECT_FALSE(seal()->isChecked());
    EXPECT_FALSE(seal()->isEnabled());
    EXPECT_EQ(seal()->toolTip(), ownFirst);
    // A password of the user's own with the default answer left: sealing may be ticked, but would
    // be refused, so the box does not tick itself.
    typePassword(kStrong);
    EXPECT_TRUE(seal()->isEnabled());
    EXPECT_FALSE(seal()->isChecked());
    EXPECT_EQ(seal()->toolTip(), canSeal);
    type(nth<QLineEdit>("txtanswer", 0), QStringLiteral("a red tricycle in 1994"));
    EXPECT_TRUE(seal()->isChecked());

    // Which answers alone open the sealed file, for each answer mode.
    const std::vector<std::pair<const char*, QString>> notes{
        {"optQ2", QStringLiteral("Each pair of answers alone opens the sealed file: make the answers as hard to guess as "
                                 "the password.")},
        {"optAll", QString()},
        {"optQ1",
         QStringLiteral("Each answer alone opens the sealed file: make every answer as hard to guess as the password.")}};
    for (const auto& [option, text] : notes) {
        find<QRadioButton>(option)->click();
        EXPECT_EQ(note()->isHidden(), text.isEmpty()) << option;
        EXPECT_EQ(note()->text(), text) << option;
    }

    // Unticked by the user: it stays so while the boxes change, also through the defaults (when
    // it cannot be ticked), and after Save.
    seal()->click();
    EXPECT_TRUE(note()->isHidden());
    typePassword(QStringLiteral("opensesame"));
    type(nth<QLineEdit>("txtanswer", 0), QStringLiteral(" OpenSesame "));
    EXPECT_FALSE(seal()->isEnabled());
    EXPECT_EQ(seal()->toolTip(), ownFirst);
    typePassword(kStrong);
    type(nth<QLineEdit>("txtanswer", 0), QStringLiteral("a red tricycle in 1994"));
    EXPECT_TRUE(seal()->isEnabled());
    EXPECT_FALSE(seal()->isChecked());
    saveAccepted();
    EXPECT_FALSE(fileSealed());
    EXPECT_TRUE(remembersKeptReadable());
    ASSERT_TRUE(press("Passwords"));
    ASSERT_TRUE(press("Setup"));
    EXPECT_FALSE(seal()->isChecked()) << "the user's choice is remembered";
    EXPECT_TRUE(seal()->isEnabled());

    // Ticked again and saved: sealed, and no longer remembered as kept readable.
    seal()->click();
    saveAccepted();
    EXPECT_TRUE(fileSealed());
    EXPECT_FALSE(remembersKeptReadable());
}

TEST_F(SealingChoiceTest, TheSealingRuleRefusesAsTheOtherChecksDo) {
    typePassword(kStrong);
    seal()->click();
    expectRefused(QStringLiteral("To seal the profile, give every security question an answer of your own: "
                                 "\"opensesame\" is the answer every new profile starts with."));
    type(nth<QLineEdit>("txtanswer", 0), QStringLiteral("a red tricycle in 1994"));
    typePassword(QStringLiteral("Password1"));
    expectRefused(QStringLiteral("To seal the profile, choose a password that is harder to guess (strength \"Good\" or "
                                 "better). Common words and passwords are easy to guess. Look-alike swaps such as \"@\" "
                                 "for \"a\" or \"0\" for \"o\" do not make a word much harder to guess."));
    EXPECT_FALSE(fileSealed());
}

TEST_F(SealingChoiceTest, TheStrengthFollowsThePasswordOnScreenAndTheProfilesOwnWords) {
    const std::string ownWords =
        "Words that go with this profile, such as its name, the user ID or the default password, are easy to guess.";
    // The mask stands for the stored password, the one every new profile has.
    EXPECT_EQ(strength(), "Strength: Very weak (0 of 4). " + ownWords);
    const QString answer = QStringLiteral("a red tricycle in 1994");
    type(find<QLineEdit>("txtPassword"), answer);
    const std::string alone = strength();
    // The same words given as an answer, and the profile's name, are easy to guess.
    type(nth<QLineEdit>("txtanswer", 0), answer);
    const std::vector<std::pair<QString, std::string>> rated{
        {kStrong, "Strength: Strong (4 of 4)"},
        {answer, "Strength: Very weak (0 of 4). " + ownWords},
        {QStringLiteral("Home2026"), "Strength: Weak (1 of 4). " + ownWords + " Dates and years are easy to guess."},
        {QString(), ""}};
    for (const auto& [password, shown] : rated) {
        type(find<QLineEdit>("txtPassword"), password);
        EXPECT_EQ(strength(), shown) << password.toStdString();
    }
    EXPECT_NE(alone, rated[1].second);
}

}  // namespace
}  // namespace keyloft::testing
