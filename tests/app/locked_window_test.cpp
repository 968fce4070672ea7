// Lock of every kind (the Lock command and Ctrl+L, auto-lock, the tray's Lock, the screen lock,
// minimizing, another user's change of the logon details found by a save) leaves nothing of the
// profile on screen, in the views' models and boxes, on the clipboard or in the store. Boxes that
// were open close as if cancelled, and what they interrupted is not done. A printed master list
// that goes into a file is its owner's only.
#include <sys/stat.h>

#include <array>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "desktop/tray_icon.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_printer.h"
#include "platform/qt_screen_lock.h"
#include "store/profile.h"
#include "store/profile_store.h"
#include "support/gui_window_fixture.h"
#include "support/record_values.h"

namespace keyloft::testing {
namespace {

constexpr char16_t kLockedOutText[] =
    u"The profile has been modified by another user.\nYou will have to login again.";

class LockedWindow : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Shared"});
        // Auto-lock after 5 idle minutes, from the logon on.
        ASSERT_TRUE(settings->write(kSettingTimer, u"5"));
        assemble = true;
    }

    // Logged on to "Shared", which holds `entries` (two of category Bank unless given).
    void logOn(const std::vector<std::u16string>& records = {u"4|Bank|Current|alice|pw1||||",
                                                             u"4|Bank|Savings|bob|pw2||||"}) {
        stored = EntriesOf(records);
        otherInstanceSaves(u"Shared", [this](Profile& p) {
            p.categories.add(u"Bank");
            p.entries = stored;
        });
        start();
        logOnAs({.name = u"Shared"});
    }
    // The same, in the passwords view.
    void logOnToPasswords() {
        logOn();
        ASSERT_TRUE(press("Passwords"));
        ASSERT_EQ(list()->model()->rowCount(), 2);
    }
    // An hour without a key press or a mouse movement, and the next tick of tmrLock.
    void autoLockNow() {
        clock.advanceSeconds(3600);
        fireTimer("tmrLock");
    }
    // The profile on disk is as it was before the session: nothing saved, deleted or damaged.
    void expectProfileOnDiskUnchanged() {
        const Profile onDisk = profileOnDisk(u"Shared");
        EXPECT_EQ(onDisk.entries, stored);
        EXPECT_EQ(onDisk.password, u"opensesame");
        EXPECT_EQ(onDisk.logonMode, 1);
    }
    bool locked() { return button("Unlock")->text() == QStringLiteral("Unlock") && !window->logonAccepted(); }
    // The Lock and Save of the setup view's lock choices.
    void chooseInSetup(const char* box, bool on) {
        ASSERT_TRUE(press("Setup"));
        find<QCheckBox>(box)->setChecked(on);
        ASSERT_TRUE(press("Save"));
    }

    std::vector<Entry> stored;
    // Another user changes the profile's password while this window works on it; then Save
    // finds the change and locks this user out.
    void saveAfterAnotherUsersChange() {
        otherInstanceSaves(u"Shared", [](Profile& p) { p.password = u"changed"; });
        dialogs.expect(kLockedOutText);
        ASSERT_TRUE(press("Save"));
        EXPECT_EQ(dialogs.pending(), 0u);
    }
    QTreeView* list() { return find<QTreeView>("lstUser"); }
    void clickRow(int row) {
        QTreeView* view = list();
        const QRect rect = view->visualRect(view->model()->index(row, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }
    bool popupShown() { return find<QWidget>("frmshowpass")->isVisible(); }

    // Nothing of the profile is left to read: no rows, no filter or category items, no boxes, no
    // status, Print and Show disabled, only the welcome view shown.
    void expectNothingReadable() {
        EXPECT_EQ(list()->model()->rowCount(), 0);
        EXPECT_EQ(find<QComboBox>("cboFilter")->count(), 0);
        EXPECT_EQ(find<QComboBox>("cboCategory")->count(), 0);
        for (QLineEdit* box : {find<QLineEdit>("txtUserDesc"), find<QLineEdit>("txtUserCode"),
                               find<QLineEdit>("txtUserpass"), find<QLineEdit>("txtuserconfirm")})
            EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
        EXPECT_EQ(find<QTreeWidget>("lstCategory")->topLevelItemCount(), 0);
        EXPECT_TRUE(nth<QLineEdit>("txtanswer", 0)->text().isEmpty());
        EXPECT_TRUE(nth<QLineEdit>("txtQuestion", 0)->text().isEmpty());
        for (const char* key : {"Print", "Import", "Show", "Generate", "Setup", "Passwords"})
            EXPECT_FALSE(button(key)->isEnabled()) << key;
        EXPECT_TRUE(statusText().isEmpty());
        for (const char* frame :
             {"fraProfile", "fraLogin", "fraPasswords", "fraCategory", "fraSecurityOptions"})
            EXPECT_FALSE(frameShown(frame)) << frame;
        EXPECT_TRUE(frameShown("welcomeView"));
        EXPECT_EQ(button("Unlock")->text(), QStringLiteral("Unlock"));
        EXPECT_FALSE(popupShown());
    }
};

TEST_F(LockedWindow, LockOutDuringAnEntrySaveShowsNothingOfTheProfile) {
    logOnToPasswords();
    // The pop-up is open as well when the save finds the other user's change.
    clickRow(0);
    ASSERT_TRUE(press("Show"));
    ASSERT_TRUE(popupShown());

    ASSERT_TRUE(press("Add"));
    QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral("Pension"));
    QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("carol"));
    QTest::keyClicks(find<QLineEdit>("txtUserpass"), QStringLiteral("pw3"));
    QTest::keyClicks(find<QLineEdit>("txtuserconfirm"), QStringLiteral("pw3"));
    saveAfterAnotherUsersChange();
    expectNothingReadable();
}

TEST_F(LockedWindow, LockOutDuringACategorySaveShowsNothingOfTheProfile) {
    logOnToPasswords();
    ASSERT_TRUE(press("Setup"));
    find<QPushButton>("cmdCategory")->click();
    ASSERT_TRUE(frameShown("fraCategory"));
    ASSERT_TRUE(press("Add"));
    QTest::keyClicks(find<QLineEdit>("txtCategory"), QStringLiteral("Travel"));
    saveAfterAnotherUsersChange();
    expectNothingReadable();
    // The Close button of the category view went with it: no way back to the setup boxes.
    EXPECT_FALSE(find<QPushButton>("cmdCloseCategory")->isVisible());
}

TEST_F(LockedWindow, LockOutDuringASetupSaveShowsNothingOfTheProfile) {
    logOnToPasswords();
    ASSERT_TRUE(press("Setup"));
    ASSERT_EQ(nth<QLineEdit>("txtanswer", 0)->text(), QStringLiteral("opensesame"));
    QTest::keyClicks(nth<QLineEdit>("txtQuestion", 1), QStringLiteral("First pet"));
    QTest::keyClicks(nth<QLineEdit>("txtanswer", 1), QStringLiteral("Rex"));
    saveAfterAnotherUsersChange();
    expectNothingReadable();
}

TEST_F(LockedWindow, LockClosesThePopupAndEmptiesTheViews) {
    logOnToPasswords();
    clickRow(1);
    ASSERT_TRUE(press("Show"));
    ASSERT_TRUE(popupShown());
    EXPECT_EQ(findIn<QLineEdit>("frmshowpass", "txtpass")->text(), QStringLiteral("pw2"));
    ASSERT_TRUE(press("Unlock"));  // the button reads Lock now
    expectNothingReadable();
}

TEST_F(LockedWindow, AutoLockClosesThePopup) {
    logOnToPasswords();
    ASSERT_TRUE(find<QCheckBox>("chkTimeout")->isChecked());
    clickRow(0);
    ASSERT_TRUE(press("Show"));
    ASSERT_TRUE(popupShown());
    autoLockNow();
    expectNothingReadable();
}

TEST_F(LockedWindow, MasterListInAFileIsReadableByItsOwnerOnlyAndTheUserIsToldWhere) {
    const QString path = QDir(temp.path()).filePath(QStringLiteral("list.pdf"));
    {
        // A file of that name that others may read already exists.
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
#ifndef _WIN32
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
#endif
    }
    openPrinter = [path](QWidget*) { return platform::OpenPdfPrinter(path); };
    logOnToPasswords();
    dialogs.expect(u"The master list was written to " + QDir::toNativeSeparators(path).toStdU16String() +
                   u".");
    ASSERT_TRUE(press("Print"));
    EXPECT_EQ(dialogs.pending(), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
#ifndef _WIN32  // Windows has no modes: the file has the access rules of its folder, as an export's
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
    EXPECT_GT(info.st_size, 3);
}

// ---- a box open when auto-lock fires ----

enum class OpenBox {
    DeleteQuestion,
    ExpiryWarning,
    PrintFileQuestion,
    DiscardQuestion,
    PasswordBlankWarning
};

class LockWithABoxOpen : public LockedWindow, public ::testing::WithParamInterface<OpenBox> {};

// A printer that counts what is printed on it.
struct CountingPrinter final : RecordingPrinter {
    explicit CountingPrinter(int& printed) : RecordingPrinter(1400, 600), printed_(printed) {}
    void print(const QString& text) override {
        ++printed_;
        RecordingPrinter::print(text);
    }
    int& printed_;
};

// The box closes as if cancelled, whatever was about to be clicked in it; nothing is deleted,
// saved or printed, and nothing of the profile reaches the locked window, then or after Unlock.
TEST_P(LockWithABoxOpen, ClosesItAndDoesNothingOfIt) {
    int printed = 0;
    int boxes = 1;
    switch (GetParam()) {
        case OpenBox::DeleteQuestion:
            logOnToPasswords();
            clickRow(0);
            dialogs.expect(u"Are you sure you wish to delete this entry?", MessageAnswer::Yes);
            dialogs.whileOpen([this] { autoLockNow(); });
            ASSERT_TRUE(press("Delete"));
            break;
        case OpenBox::ExpiryWarning:
            logOn({u"4|Bank|Current|alice|pw1||2026-06-18||", u"4|Bank|Savings|bob|pw2||||"});
            dialogs.expect(u"There are passwords which are due to expire in 7 days.");
            dialogs.whileOpen([this] { autoLockNow(); });
            ASSERT_TRUE(press("Passwords"));
            break;
        case OpenBox::PrintFileQuestion:
            // The user answers the file question after the lock came.
            openPrinter = [this, &printed](QWidget*) {
                autoLockNow();
                return std::make_unique<CountingPrinter>(printed);
            };
            logOnToPasswords();
            ASSERT_TRUE(press("Print"));
            boxes = 0;
            break;
        case OpenBox::DiscardQuestion:
            logOnToPasswords();
            clickRow(0);
            QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral(" changed"));
            dialogs.expect(u"You have unsaved changes. Continue and lose changes?", MessageAnswer::Yes);
            dialogs.whileOpen([this] { autoLockNow(); });
            ASSERT_TRUE(press("Setup"));
            break;
        case OpenBox::PasswordBlankWarning:
            logOnToPasswords();
            ASSERT_TRUE(press("Add"));
            QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral("Pension"));
            QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("carol"));
            dialogs.expect(u"Password is blank!");
            dialogs.whileOpen([this] { autoLockNow(); });
            ASSERT_TRUE(press("Save"));
            break;
    }
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(dialogs.closedBoxes(), boxes);
    EXPECT_EQ(printed, 0);
    expectNothingReadable();
    expectProfileOnDiskUnchanged();
    ASSERT_TRUE(press("Unlock"));
    EXPECT_TRUE(statusText().isEmpty());
}

std::string BoxName(const ::testing::TestParamInfo<OpenBox>& info) {
    static const std::array<const char*, 5> names{"DeleteQuestion", "ExpiryWarning", "PrintFileQuestion",
                                                  "DiscardQuestion", "PasswordBlankWarning"};
    return names.at(static_cast<std::size_t>(info.param));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, LockWithABoxOpen,
                         ::testing::Values(OpenBox::DeleteQuestion, OpenBox::ExpiryWarning,
                                           OpenBox::PrintFileQuestion, OpenBox::DiscardQuestion,
                                           OpenBox::PasswordBlankWarning),
                         BoxName);

// The same with the program's own message boxes: the lock closes the open question on screen.
TEST_F(LockedWindow, AutoLockClosesAnOpenMessageBox) {
    platform::QtDialogs qtDialogs;
    otherDialogs = &qtDialogs;
    logOnToPasswords();
    clickRow(1);
    bool boxWasOpen = false;
    QTimer::singleShot(0, window.get(), [this, &boxWasOpen] {
        boxWasOpen = QApplication::activeModalWidget() != nullptr;
        autoLockNow();
    });
    ASSERT_TRUE(press("Delete"));
    EXPECT_TRUE(boxWasOpen);
    for (QWidget* shown : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QDialog*>(shown) != nullptr && shown->isVisible())
            << shown->metaObject()->className();
    expectNothingReadable();
    expectProfileOnDiskUnchanged();
}

// Print without a printer asks whether to write a PDF file, then for the file; the user has typed
// a name when auto-lock comes. The question closes as if cancelled: no file is written and
// nothing is said about it.
TEST_F(LockedWindow, AutoLockClosesThePrintersFileQuestionAndNothingIsWritten) {
    platform::QtDialogs qtDialogs;
    otherDialogs = &qtDialogs;
    openPrinter = [](QWidget*) { return nullptr; };  // no printer
    logOnToPasswords();
    const QString path = QDir(temp.path()).filePath(QStringLiteral("list.pdf"));
    bool asked = false;
    bool leftOpen = false;
    std::function<void()> fileQuestion;
    QTimer::singleShot(0, window.get(), [&] {
        // Yes to writing a PDF file; the file question follows.
        auto* noPrinter = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(noPrinter, nullptr);
        QTimer::singleShot(0, window.get(), fileQuestion);
        noPrinter->button(QMessageBox::Yes)->click();
    });
    fileQuestion = [&] {
        auto* question = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        asked = question != nullptr;
        if (question != nullptr) question->selectFile(path);
        autoLockNow();
        // Rejected now, or the test would never return.
        if (QWidget* still = QApplication::activeModalWidget(); still != nullptr) {
            leftOpen = true;
            still->close();
        }
    };
    ASSERT_TRUE(press("Print"));
    EXPECT_TRUE(asked);
    EXPECT_FALSE(leftOpen);
    EXPECT_FALSE(QFile::exists(path));
    expectNothingReadable();
}

// A lock asked for while the store saves (it lets window events run) waits for the save: the
// entry is stored whole, then the window locks.
TEST_F(LockedWindow, AutoLockDuringASaveWaitsForTheSave) {
    logOnToPasswords();
    ASSERT_TRUE(press("Add"));
    QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("carol"));
    QTest::keyClicks(find<QLineEdit>("txtUserpass"), QStringLiteral("pw3"));
    QTest::keyClicks(find<QLineEdit>("txtuserconfirm"), QStringLiteral("pw3"));
    QTimer::singleShot(0, window.get(), [this] { autoLockNow(); });
    ASSERT_TRUE(press("Save"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(locked());
    expectNothingReadable();
    EXPECT_EQ(profileOnDisk(u"Shared").entries.size(), 3u);
}

// ---- what Lock forgets ----

// After Ctrl+L nothing of the profile is left: not in the store, not in a model, a box (not
// even through Undo), a label, a list item, a tool tip or an accessible name.
TEST_F(LockedWindow, LockForgetsEverySecret) {
    const std::vector<QString> secrets{"Qx-user-id", "Qx-logon-pw", "Qx-answer", "Qx-question", "Qx-code",
                                       "Qx-pass",    "Qx-note",     "Qx-desc",   "Qx-cat"};
    writeProfile({.name = u"Secret",
                  .logonMode = 2,
                  .userId = u"Qx-user-id",
                  .password = u"Qx-logon-pw",
                  .questions = {{u"Qx-question", u"Qx-answer"}}});
    otherInstanceSaves(u"Secret", [](Profile& p) {
        p.categories.add(u"Qx-cat");
        p.entries = {EntryOf(u"4|Qx-cat|Qx-desc|Qx-code|Qx-pass|Qx-note|||")};
    });
    start();
    unlockAndChoose(QStringLiteral("Secret"));
    // The questions panel shows the question; the logon boxes are typed into, as a user does.
    find<QPushButton>("cmdForgot")->click();
    QTest::keyClicks(nth<QLineEdit>("txtAns", 0), QStringLiteral("wrong"));
    nth<QLineEdit>("txtAns", 0)->clear();
    QTest::keyClicks(nth<QLineEdit>("txtAns", 0), QStringLiteral("Qx-answer"));
    find<QPushButton>("cmdLogin")->click();
    ASSERT_TRUE(window->logonAccepted());
    ASSERT_TRUE(press("Setup"));
    find<QPushButton>("cmdCategory")->click();
    find<QTreeWidget>("lstCategory")->setCurrentItem(find<QTreeWidget>("lstCategory")->topLevelItem(0));
    ASSERT_TRUE(press("Passwords"));
    clickRow(0);
    find<QWidget>("cmdCopyClip")->setFocus();
    ASSERT_TRUE(press("Show"));
    ASSERT_TRUE(popupShown());

    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(locked());

    const Profile& profile = window->store().open().profile();
    EXPECT_TRUE(profile.entries.empty() && profile.questions.empty() && profile.categories.empty());
    EXPECT_TRUE(profile.userId.empty() && profile.password.empty() && profile.pin.empty());
    EXPECT_FALSE(window->store().open().holdsFile());
    EXPECT_EQ(entryRows()->rowCount(), 0);

    // Every text the window's widgets hold or can bring back.
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        QStringList texts{widget->toolTip(), widget->accessibleName(), widget->property("text").toString()};
        if (auto* box = qobject_cast<QLineEdit*>(widget)) {
            box->undo();
            texts << box->text();
        }
        if (auto* notes = qobject_cast<QPlainTextEdit*>(widget)) {
            notes->undo();
            texts << notes->toPlainText();
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        }
        if (auto* view = qobject_cast<QAbstractItemView*>(widget);
            view != nullptr && view->model() != nullptr) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; row < model->rowCount(); ++row)
                for (int column = 0; column < model->columnCount(); ++column)
                    texts << model->index(row, column).data().toString();
        }
        for (const QString& secret : secrets)
            EXPECT_FALSE(texts.join(QLatin1Char('|')).contains(secret))
                << widget->objectName().toStdString() << " holds " << secret.toStdString();
    }
    EXPECT_TRUE(clipboard.text().isEmpty());
}

// ---- the clipboard ----

enum class AfterCopy { Timer, Lock, Close };
struct ClipboardCase {
    AfterCopy then;
    bool otherCopied;  // something else was copied after Keyloft's copy
};

class ClipboardClearing : public LockedWindow, public ::testing::WithParamInterface<ClipboardCase> {};

// Keyloft takes back what it copied after the chosen time, at Lock and when it ends; whatever
// was copied since stays on the clipboard.
TEST_P(ClipboardClearing, TakesBackOnlyItsOwnCopy) {
    logOnToPasswords();
    clickRow(0);
    find<QWidget>("cmdCopyClip")->setFocus();
    QTest::mouseClick(find<QWidget>("cmdCopyClip"), Qt::LeftButton);
    ASSERT_EQ(clipboard.text(), QStringLiteral("pw1"));
    if (GetParam().otherCopied) clipboard.otherProgramCopies(QStringLiteral("mine"));
    switch (GetParam().then) {
        case AfterCopy::Timer:
            fireTimer("tmrClipboard");
            break;
        case AfterCopy::Lock:
            ASSERT_TRUE(press("Unlock"));
            break;
        case AfterCopy::Close:
            ASSERT_TRUE(window->close());
            break;
    }
    EXPECT_EQ(clipboard.text(), GetParam().otherCopied ? QStringLiteral("mine") : QString());
}

std::string ClipboardCaseName(const ::testing::TestParamInfo<ClipboardCase>& info) {
    static const std::array<const char*, 3> then{"Timer", "Lock", "Close"};
    return std::string(then.at(static_cast<std::size_t>(info.param.then))) +
           (info.param.otherCopied ? "AfterAnotherCopy" : "");
}

INSTANTIATE_TEST_SUITE_P(
    EveryWay, ClipboardClearing,
    ::testing::Values(ClipboardCase{AfterCopy::Timer, false}, ClipboardCase{AfterCopy::Timer, true},
                      ClipboardCase{AfterCopy::Lock, false}, ClipboardCase{AfterCopy::Lock, true},
                      ClipboardCase{AfterCopy::Close, false}, ClipboardCase{AfterCopy::Close, true}),
    ClipboardCaseName);

// "Clear copied text after N seconds": 30 unless chosen otherwise, 0 never; the choice is kept.
TEST_F(LockedWindow, CopiedTextIsClearedAfterTheChosenSeconds) {
    logOnToPasswords();
    auto* timer = find<QTimer>("tmrClipboard");
    auto copyFromPopup = [this] {
        clickRow(1);
        ASSERT_TRUE(press("Show"));
        QTest::mouseClick(findIn<QWidget>("frmshowpass", "ImgPass"), Qt::LeftButton);
        ASSERT_EQ(clipboard.text(), QStringLiteral("pw2"));
    };
    copyFromPopup();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 30000);

    for (const int seconds : {5, 0}) {
        ASSERT_TRUE(press("Setup"));
        find<QSpinBox>("spnClearClipboard")->setValue(seconds);
        ASSERT_TRUE(press("Save"));
        std::u16string kept;
        ASSERT_TRUE(settings->read(u"ClearClipboardSeconds", kept));
        EXPECT_EQ(kept, QString::number(seconds).toStdU16String());
        ASSERT_TRUE(press("Passwords"));
        timer->stop();
        copyFromPopup();
        EXPECT_EQ(timer->isActive(), seconds > 0) << seconds;
        if (seconds > 0) {
            EXPECT_EQ(timer->interval(), seconds * 1000);
        }
    }
    // The next start shows the choice that was saved.
    parts.reset();
    window.reset();
    start();
    EXPECT_EQ(find<QSpinBox>("spnClearClipboard")->value(), 0);
}

// ---- what locks the window ----

// The tray's Lock locks as the Lock command does; it is offered only while a session is open.
TEST_F(LockedWindow, TheTraysLockLocks) {
    logOnToPasswords();
    QAction* trayLock = child<QAction>(parts->tray->menu(), QStringLiteral("mLock"));
    ASSERT_NE(trayLock, nullptr);
    EXPECT_TRUE(trayLock->isEnabled());
    // Unsaved changes are asked about first.
    clickRow(0);
    QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral(" changed"));
    dialogs.expect(u"You have unsaved changes. Continue and lose changes?", MessageAnswer::No);
    trayLock->trigger();
    EXPECT_FALSE(locked());
    dialogs.expect(u"You have unsaved changes. Continue and lose changes?", MessageAnswer::Yes);
    trayLock->trigger();
    EXPECT_TRUE(locked());
    expectNothingReadable();
    EXPECT_FALSE(trayLock->isEnabled());
}

enum class Trigger { ScreenLocked, Park, TrayMinimize };
struct TriggerCase {
    Trigger trigger;
    const char* option;  // the setup view's check box
    bool chosen;
    bool locks;
};

class LockTriggers : public LockedWindow, public ::testing::WithParamInterface<TriggerCase> {};

// The screen lock locks unless unticked; parking or minimizing only when ticked. Unsaved changes
// are dropped without a question, as auto-lock drops them.
TEST_P(LockTriggers, LockAsChosenInSetup) {
    const TriggerCase& c = GetParam();
    logOnToPasswords();
    if (find<QCheckBox>(c.option)->isChecked() != c.chosen) chooseInSetup(c.option, c.chosen);
    ASSERT_TRUE(press("Passwords"));
    clickRow(0);
    QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral(" changed"));
    switch (c.trigger) {
        case Trigger::ScreenLocked:
            window->findChild<platform::ScreenLockWatcher*>()->onActiveChanged(true);
            break;
        case Trigger::Park:
            find<QPushButton>("cmdPark")->click();
            break;
        case Trigger::TrayMinimize:
            parts->tray->onMinimizeClicked();
            break;
    }
    EXPECT_EQ(locked(), c.locks);
    if (c.locks) expectNothingReadable();
    expectProfileOnDiskUnchanged();
}

std::string TriggerCaseName(const ::testing::TestParamInfo<TriggerCase>& info) {
    static const std::array<const char*, 3> trigger{"ScreenLocked", "Park", "TrayMinimize"};
    return std::string(trigger.at(static_cast<std::size_t>(info.param.trigger))) +
           (info.param.chosen ? "Chosen" : "NotChosen");
}

INSTANTIATE_TEST_SUITE_P(
    EveryTrigger, LockTriggers,
    ::testing::Values(TriggerCase{Trigger::ScreenLocked, "chkLockOnScreenLock", true, true},
                      TriggerCase{Trigger::ScreenLocked, "chkLockOnScreenLock", false, false},
                      TriggerCase{Trigger::Park, "chkLockOnMinimize", false, false},
                      TriggerCase{Trigger::Park, "chkLockOnMinimize", true, true},
                      TriggerCase{Trigger::TrayMinimize, "chkLockOnMinimize", true, true}),
    TriggerCaseName);

}  // namespace
}  // namespace keyloft::testing
