// Sealing in the setup view of the real window: the check box and when it ticks itself, the rule
// for every way into the sealed file (the password, each answer or combination of answers), a new
// password when the present one was in a readable file, the key made off the window's thread at
// Save, what the status line says afterwards, and Forgot Logon on a file no answers open.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "setup_view_fixture.h"
#include "store/profile_codec.h"
#include "store/sealed_profile.h"
#include "support/quick_sealing.h"
#include "support/sealed_lines.h"

namespace keyloft::testing {
namespace {

// Sealing through the check box: the saved file opens only with the new logon or the answers
// (answers hard enough to guess that each gets its slot).
class SealedSetupTest : public SetupViewTest {
  protected:
    SealedSetupTest() { home.questions = {{u"Pet", u"a red tricycle in 1994"}, {u"Town", u"Nether Wallop"}}; }
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
    EXPECT_EQ(seal->toolTip(),
              QStringLiteral("A sealed profile can only be opened with its logon or its security answers"));
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
    EXPECT_TRUE(window->store().open().profile().entries.empty());
    dialogs.expect(QStringLiteral(" The Details are incorrect. Please re-enter."));
    logOnWith(QStringLiteral("Secret"));
    EXPECT_FALSE(window->logonAccepted());
    logOnWith(QStringLiteral(" ") + kStrong + QStringLiteral(" "));
    ASSERT_TRUE(window->logonAccepted());
    EXPECT_EQ(statusText(), QStringLiteral("You are logged into Home profile!"))
        << "a sealed file needs no warning";
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
    answers[1]->setText(QStringLiteral("nether wallop "));
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
    EXPECT_FALSE(window->store().open().holdsFile()) << "colleagues do not wait for the key";
    waitForLogon();
    EXPECT_TRUE(window->logonAccepted());
    EXPECT_TRUE(window->store().open().holdsFile());
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
    window->store().open().closeHeldFile();
    const std::string good = fileBytes();

    // A changed version line with a check line made again: only the body's authentication finds it.
    std::vector<std::string> lines = SplitFileLines(good);
    for (std::string& line : lines) {
        if (line.rfind("version=", 0) == 0) line = "version=77";
    }
    TempFolder::writeFile(folder / "Home.dat", JoinFileLines(WithCheckLineRemade(lines)));
    unlockAndChoose(QStringLiteral("Home"));
    ASSERT_TRUE(frameShown("fraLogin"));
    dialogs.expect(QStringLiteral("The profile file is damaged."));
    logOnWith(kStrong);
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_FALSE(frameShown("fraLogin"));
    EXPECT_TRUE(frameShown("fraProfile"));
    EXPECT_TRUE(window->store().open().profile().entries.empty());
    EXPECT_TRUE(window->store().open().profile().questions.empty());
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

// A new profile, nobody's choice yet: the seal box waits for a password of the user's own, then
// ticks itself until the user ticks or unticks it.
class SealingChoiceTest : public SealedSetupTest {
  protected:
    SealingChoiceTest() {
        home = ProfileOnDisk{.name = u"Home"};
        keptReadable = false;
    }
    QCheckBox* seal() { return find<QCheckBox>("chkSeal"); }
    QLabel* note() { return find<QLabel>("lblSealNote"); }
    std::string strength() { return find<QLabel>("lblSetupStrength")->text().toStdString(); }
    std::vector<std::string> slotLabels() { return SlotLabels(SplitFileLines(fileBytes())); }
    void typeQuestions(const std::vector<std::pair<QString, QString>>& pairs) {
        for (std::size_t i = 0; i < 3; ++i) {
            type(nth<QLineEdit>("txtQuestion", static_cast<int>(i)),
                 i < pairs.size() ? pairs[i].first : QString());
            type(nth<QLineEdit>("txtanswer", static_cast<int>(i)),
                 i < pairs.size() ? pairs[i].second : QString());
        }
    }
    QString status(const char* saved) { return QStringLiteral("You are logged into Home profile!") + saved; }
};

const QString kOwnFirstTip = QStringLiteral(
    "Choose a password of your own first: every new profile starts with the same one, so it would not seal "
    "anything.");
const QString kNewPasswordToSeal = QStringLiteral(
    "To seal the profile, choose a new password: the present one has been stored in the readable form of its "
    "file, "
    "and any copy of that file (a backup, a sync engine's history, a colleague's copy) gives it away.");
constexpr char kSavedSealed[] = "  Saved sealed: only the logon or the security answers open its file.";
constexpr char kSavedLogonOnly[] = "  Saved sealed: only the logon opens its file.";
constexpr char kSavedReadable[] =
    "  Saved in the readable form: anyone who can copy this profile's file can read it.";

// The newcomer's way: a password of their own, the default question left. Save seals (the default
// answer gets no slot, and the view says what that means); a file saved readable holds the
// password, so sealing it later asks for a new one.
TEST_F(SealingChoiceTest, APasswordOfOnesOwnSealsAndAPasswordOnceReadableIsReplacedFirst) {
    EXPECT_FALSE(seal()->isChecked());
    EXPECT_FALSE(seal()->isEnabled());
    EXPECT_EQ(seal()->toolTip(), kOwnFirstTip);
    typePassword(kStrong);
    EXPECT_TRUE(seal()->isEnabled());
    EXPECT_TRUE(seal()->isChecked());
    const QString defaultAnswerNote = QStringLiteral(
        "The answer to \"Default Question\" is too easy to guess to open the sealed file. Forgotten Logon "
        "cannot open "
        "the sealed file until stronger answers are set.");
    EXPECT_FALSE(note()->isHidden());
    EXPECT_EQ(note()->text(), defaultAnswerNote);
    dialogs.expect(
        QStringLiteral("The answer to \"Default Question\" is too easy to guess to open the sealed file. "
                       "The profile was sealed without them: Forgotten Logon cannot open the sealed file "
                       "until stronger answers are set."));
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(dialogs.last().icon, MessageIcon::Information);
    EXPECT_TRUE(fileSealed());
    EXPECT_EQ(slotLabels(), std::vector<std::string>{"logon"});
    EXPECT_EQ(statusText(), status(kSavedLogonOnly));

    // Unticked by the user: it stays so while the boxes change, and after Save.
    seal()->click();
    EXPECT_TRUE(note()->isHidden());
    type(nth<QLineEdit>("txtanswer", 0), QStringLiteral("a red tricycle in 1994"));
    EXPECT_FALSE(seal()->isChecked());
    saveAccepted();
    EXPECT_FALSE(fileSealed());
    EXPECT_TRUE(remembersKeptReadable());
    EXPECT_EQ(statusText(), status(kSavedReadable));
    ASSERT_TRUE(press("Passwords"));
    ASSERT_TRUE(press("Setup"));
    EXPECT_FALSE(seal()->isChecked()) << "the user's choice is remembered";

    // Ticked again: the readable file held this password, so a new one is asked for, in both boxes.
    seal()->click();
    expectRefused(kNewPasswordToSeal);
    EXPECT_FALSE(fileSealed());
    EXPECT_TRUE(find<QLineEdit>("txtPassword")->text().isEmpty());
    EXPECT_TRUE(find<QLineEdit>("txtconfirm")->text().isEmpty());
    EXPECT_TRUE(find<QLineEdit>("txtPassword")->hasFocus());
    typePassword(kStrong);
    expectRefused(kNewPasswordToSeal);  // the same one again
    typePassword(QStringLiteral("tundra velvet 93 quill"));
    saveAccepted();
    EXPECT_TRUE(fileSealed());
    EXPECT_FALSE(remembersKeptReadable());
    EXPECT_EQ(statusText(), status(kSavedSealed));
}

// Answers too easy to guess get no slot: the view names them, and when all of them together are
// hard enough, Save offers "All Answers" first. Forgot Logon on a file no answers open says so.
TEST_F(SealingChoiceTest, WeakAnswersGetNoSlotAndAllAnswersIsOfferedWhenTogetherTheyWouldDo) {
    typePassword(kStrong);
    typeQuestions({{QStringLiteral("Colour?"), QStringLiteral("Blue")},
                   {QStringLiteral("Town?"), QStringLiteral("London")},
                   {QStringLiteral("Pet?"), QStringLiteral("Rex")}});
    EXPECT_EQ(note()->text(),
              QStringLiteral("The answers to \"Colour?\", \"Town?\" and \"Pet?\" are each too easy to "
                             "guess to open the sealed file. Forgotten Logon cannot open the sealed "
                             "file until stronger answers are set."));
    typeQuestions({{QStringLiteral("Gran?"), QStringLiteral("grandma rose")},
                   {QStringLiteral("Peak?"), QStringLiteral("everest")},
                   {QStringLiteral("Town?"), QStringLiteral("Ely")}});
    EXPECT_EQ(note()->text(),
              QStringLiteral(
                  "The answers to \"Gran?\", \"Peak?\" and \"Town?\" are each too easy to guess to open the "
                  "sealed file. Forgotten Logon cannot open the sealed file until stronger answers are set. "
                  "All three answers together are hard enough to guess: choose \"All Answers\"."));
    const QString offer = QStringLiteral(
        "The answers to \"Gran?\", \"Peak?\" and \"Town?\" are each too easy to guess to open the sealed "
        "file. All three "
        "answers together are hard enough to guess. Choose \"All Answers\", so that Forgotten Logon asks for "
        "all "
        "three?");
    dialogs.expect(offer, MessageAnswer::Yes);
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(dialogs.last().buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.last().defaultAnswer, MessageAnswer::Yes);
    EXPECT_TRUE(find<QRadioButton>("optAll")->isChecked());
    EXPECT_EQ(slotLabels(), (std::vector<std::string>{"logon", "answers:1,2,3"}));
    EXPECT_EQ(statusText(), status(kSavedSealed));
    EXPECT_FALSE(window->isDirty());

    // Declined: sealed without them, and told so.
    find<QRadioButton>("optQ1")->click();
    dialogs.expect(offer, MessageAnswer::No);
    dialogs.expect(
        QStringLiteral("The answers to \"Gran?\", \"Peak?\" and \"Town?\" are each too easy to guess to open "
                       "the sealed file. The profile was sealed without them: Forgotten Logon cannot open "
                       "the sealed file until stronger answers are set."));
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(slotLabels(), std::vector<std::string>{"logon"});
    EXPECT_EQ(statusText(), status(kSavedLogonOnly));

    lockAndChoose();
    dialogs.expect(
        QStringLiteral("Forgotten Logon cannot open this sealed profile: its security answers were too easy "
                       "to guess when it was sealed. Log on with the logon details, and set stronger answers "
                       "in Setup."));
    find<QPushButton>("cmdForgot")->click();
    EXPECT_FALSE(frameShown("fraQuestions"));
    logOnWith(kStrong);
    EXPECT_TRUE(window->logonAccepted());
}

TEST_F(SealingChoiceTest, TheSealingRuleRefusesAsTheOtherChecksDo) {
    typePassword(QStringLiteral("Password1"));
    EXPECT_TRUE(seal()->isChecked());
    expectRefused(QStringLiteral(
        "To seal the profile, choose a password that is harder to guess (strength \"Good\" or "
        "better). Common words and passwords are easy to guess. Look-alike swaps such as \"@\" "
        "for \"a\" or \"0\" for \"o\" do not make a word much harder to guess."));
    EXPECT_FALSE(fileSealed());
}

TEST_F(SealingChoiceTest, TheStrengthFollowsThePasswordOnScreenAndTheProfilesOwnWords) {
    const std::string ownWords =
        "Words that go with this profile, such as its name, the user ID, the security questions and answers "
        "or the "
        "default password, are easy to guess.";
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
        // Rated alike by the strength library of the Linux and the Windows build.
        {QStringLiteral("Home 1987"),
         "Strength: Weak (1 of 4). " + ownWords + " Dates and years are easy to guess."},
        {QString(), ""}};
    for (const auto& [password, shown] : rated) {
        type(find<QLineEdit>("txtPassword"), password);
        EXPECT_EQ(strength(), shown) << password.toStdString();
    }
    EXPECT_NE(alone, rated[1].second);
    // So is a question's text, which a sealed file shows to anyone.
    type(nth<QLineEdit>("txtQuestion", 0), QStringLiteral("Violet harbour 47 kites?"));
    type(find<QLineEdit>("txtPassword"), kStrong);
    EXPECT_EQ(strength(), "Strength: Very weak (0 of 4). " + ownWords);
}

// Save makes the sealed file's keys on a thread of its own (the slots take real Argon2id work
// here): the window goes on with its events, shows the busy bar and says what it does; a lock
// that comes meanwhile follows once the file is written.
class SealingAtSaveTest : public SealedSetupTest {
  protected:
    SealingAtSaveTest() { sealingLimits = kInteractiveSealing; }
};

TEST_F(SealingAtSaveTest, TheKeysAreMadeOffTheWindowsThreadWithTheBusyBar) {
    QWidget* busy = find<QWidget>("logonBusy");
    int ticksWhileBusy = 0;
    QString statusWhileBusy;
    std::function<void()> onFirstTick;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (busy->isHidden()) return;
        if (++ticksWhileBusy == 1 && onFirstTick) onFirstTick();
        statusWhileBusy = statusText();
    });
    ticker.start(0);
    find<QCheckBox>("chkSeal")->click();
    typePassword(kStrong);
    saveAccepted();
    EXPECT_GT(ticksWhileBusy, 0) << "the window's events ran while the keys were made";
    EXPECT_EQ(statusWhileBusy, QStringLiteral("Sealing the profile..."));
    EXPECT_TRUE(busy->isHidden());
    EXPECT_TRUE(fileSealed());
    EXPECT_EQ(statusText(),
              QStringLiteral("You are logged into Home profile!  Saved sealed: only the logon or the "
                             "security answers open its file."));

    // Auto-lock while the keys are made: the save ends first, then the window locks.
    ticksWhileBusy = 0;
    onFirstTick = [this] { window->lockFrom(LockTrigger::Idle); };
    type(nth<QLineEdit>("txtanswer", 1), QStringLiteral("Much Snoring by the Sea"));
    ASSERT_TRUE(press("Save"));
    EXPECT_GT(ticksWhileBusy, 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_TRUE(frameShown("welcomeView"));
    ticker.stop();
    unlockAndChoose(QStringLiteral("Home"));
    find<QPushButton>("cmdForgot")->click();
    nth<QLineEdit>("txtAns", 1)->setText(QStringLiteral("much snoring by the sea"));
    find<QPushButton>("cmdLogin")->click();
    waitForLogon();
    EXPECT_TRUE(window->logonAccepted()) << "the file was written complete, with the new answer's slot";
}

// What is selected in a box reaches the X primary selection, which any program can read: Lock takes
// it off again while Keyloft owns it.
TEST_F(SealedSetupTest, LockTakesWhatKeyloftSelectedOffThePrimarySelection) {
    clipboard.ownsSelection = true;
    ASSERT_TRUE(press("Unlock"));  // Lock
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_FALSE(clipboard.ownsSelection);
}

}  // namespace
}  // namespace keyloft::testing
