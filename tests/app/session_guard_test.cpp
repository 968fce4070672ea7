// Unsaved changes around view switches and locking, and the idle auto-lock.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QtTest/QTest>

#include "store/profile_store.h"
#include "support/gui_window_fixture.h"

namespace keyloft::testing {
namespace {

const QString kDiscard = QStringLiteral("You have unsaved changes. Continue and lose changes?");

class Session : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Alice", .password = u"pw"});
        start();
        logOnAs({.name = u"Alice", .password = u"pw"});
    }
    void tickAutoLock(int minutes) {
        auto* check = find<QCheckBox>("chkTimeout");
        find<QSlider>("slTimer")->setValue(minutes);
        check->setChecked(true);
    }
    bool locked() {
        return button("Unlock")->text() == QStringLiteral("Unlock") && frameShown("welcomeView");
    }
};

TEST_F(Session, SwitchingWithUnsavedChangesAnsweredNoKeepsEverything) {
    ASSERT_TRUE(press("Setup"));
    EXPECT_TRUE(button("Setup")->isChecked());
    EXPECT_TRUE(frameShown("fraSecurityOptions"));
    window->setDirty(true);
    EXPECT_TRUE(button("Save")->isEnabled());
    EXPECT_TRUE(button("Cancel")->isEnabled());

    dialogs.expect(kDiscard, MessageAnswer::No);
    ASSERT_TRUE(press("Passwords"));
    EXPECT_EQ(dialogs.last().title, u"Changes");
    EXPECT_EQ(dialogs.last().icon, MessageIcon::Question);
    EXPECT_FALSE(button("Passwords")->isChecked());
    EXPECT_TRUE(button("Setup")->isChecked());
    EXPECT_TRUE(frameShown("fraSecurityOptions"));
    EXPECT_FALSE(frameShown("fraPasswords"));
    EXPECT_TRUE(window->isDirty());
}

TEST_F(Session, PressingTheShownViewsOwnButtonWithUnsavedChangesAnsweredNoKeepsItPressed) {
    for (const char* key : {"Setup", "Passwords"}) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(press(key));
        window->setDirty(true);
        dialogs.expect(kDiscard, MessageAnswer::No);
        ASSERT_TRUE(press(key));
        EXPECT_TRUE(button(key)->isChecked());
        EXPECT_TRUE(window->isDirty());
        window->setDirty(false);
    }
}

TEST_F(Session, SwitchingWithUnsavedChangesAnsweredYesDropsThem) {
    ASSERT_TRUE(press("Setup"));
    window->setDirty(true);
    dialogs.expect(kDiscard, MessageAnswer::Yes);
    ASSERT_TRUE(press("Passwords"));
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(button("Passwords")->isChecked());
    EXPECT_FALSE(button("Setup")->isChecked());
    EXPECT_TRUE(frameShown("fraPasswords"));
    EXPECT_FALSE(frameShown("fraSecurityOptions"));
    EXPECT_TRUE(button("Print")->isVisible() && button("Print")->isEnabled());
    EXPECT_TRUE(button("Show")->isVisible());
    EXPECT_FALSE(button("Show")->isEnabled());
    EXPECT_TRUE(button("Filter")->isVisible());
}

TEST_F(Session, SwitchingWithoutChangesDoesNotAsk) {
    ASSERT_TRUE(press("Passwords"));
    ASSERT_TRUE(press("Setup"));
    ASSERT_TRUE(press("Passwords"));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_TRUE(frameShown("fraPasswords"));
}

TEST_F(Session, LockAsksFirstAndNoKeepsTheSession) {
    ASSERT_TRUE(press("Setup"));
    window->setDirty(true);
    dialogs.expect(kDiscard, MessageAnswer::No);
    ASSERT_TRUE(press("Unlock"));
    EXPECT_TRUE(window->logonAccepted());
    EXPECT_EQ(button("Unlock")->text(), QStringLiteral("Lock"));
    EXPECT_TRUE(button("Unlock")->isChecked());
    EXPECT_TRUE(frameShown("fraSecurityOptions"));
    EXPECT_TRUE(window->store().open().holdsFile());

    dialogs.expect(kDiscard, MessageAnswer::Yes);
    ASSERT_TRUE(press("Unlock"));
    EXPECT_TRUE(locked());
    EXPECT_FALSE(window->isDirty());
    EXPECT_FALSE(window->store().open().holdsFile());
}

TEST_F(Session, SetupShowsOnlyTheSetupViewWhateverWasOpen) {
    ASSERT_TRUE(press("Setup"));
    find<QPushButton>("cmdAbout")->click();
    EXPECT_TRUE(frameShown("fraAbout"));
    EXPECT_FALSE(frameShown("fraSecurityOptions"));
    find<QPushButton>("cmdCloseAbout")->click();
    EXPECT_FALSE(frameShown("fraAbout"));
    EXPECT_TRUE(frameShown("fraSecurityOptions"));

    find<QPushButton>("cmdCategory")->click();
    EXPECT_TRUE(frameShown("fraCategory"));
    EXPECT_FALSE(frameShown("fraSecurityOptions"));
    EXPECT_TRUE(button("Add")->isEnabled());
    EXPECT_FALSE(button("Delete")->isEnabled());
    find<QPushButton>("cmdCloseCategory")->click();
    EXPECT_FALSE(frameShown("fraCategory"));
    EXPECT_TRUE(frameShown("fraSecurityOptions"));

    // Setup while the category view or About is open: one view, with its own Save and Cancel.
    for (const char* opener : {"cmdCategory", "cmdAbout"}) {
        SCOPED_TRACE(opener);
        find<QPushButton>(opener)->click();
        ASSERT_TRUE(press("Setup"));
        EXPECT_TRUE(frameShown("fraSecurityOptions"));
        EXPECT_FALSE(frameShown("fraCategory"));
        EXPECT_FALSE(frameShown("fraAbout"));
        EXPECT_FALSE(button("Add")->isVisible());
        EXPECT_TRUE(button("Save")->isVisible());
    }
}

TEST_F(Session, CancelClearsTheUnsavedChangesFlag) {
    ASSERT_TRUE(press("Passwords"));
    window->setDirty(true);
    ASSERT_TRUE(press("Cancel"));
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(frameShown("fraPasswords"));
}

TEST_F(Session, SavingTheSetupWritesTheTimerSetting) {
    ASSERT_TRUE(press("Setup"));
    tickAutoLock(20);
    EXPECT_TRUE(window->isDirty());
    ASSERT_TRUE(press("Save"));
    std::u16string value;
    ASSERT_TRUE(settings->read(u"Timer", value));
    EXPECT_EQ(value, u"20");
    EXPECT_FALSE(window->isDirty());
    EXPECT_FALSE(button("Save")->isEnabled());

    find<QCheckBox>("chkTimeout")->setChecked(false);
    EXPECT_FALSE(find<QTimer>("tmrLock")->isActive());
    ASSERT_TRUE(press("Save"));
    ASSERT_TRUE(settings->read(u"Timer", value));
    EXPECT_EQ(value, u"0");
}

TEST_F(Session, AutoLockFiresAtTheFirstTickAtOrAfterTheLimitAndNotBefore) {
    ASSERT_TRUE(press("Setup"));
    tickAutoLock(5);
    EXPECT_EQ(VisibleText(find<QCheckBox>("chkTimeout")->text()),
              QStringLiteral("Auto lock after 5 minutes"));
    EXPECT_TRUE(find<QTimer>("tmrLock")->isActive());
    QTest::keyClick(window.get(), Qt::Key_Shift);  // activity

    clock.advanceSeconds(299);
    fireTimer("tmrLock");
    EXPECT_TRUE(window->logonAccepted());
    EXPECT_FALSE(locked());

    clock.advanceSeconds(1);
    fireTimer("tmrLock");
    EXPECT_TRUE(locked());
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_FALSE(find<QTimer>("tmrLock")->isActive());
    EXPECT_FALSE(window->store().open().holdsFile());
    EXPECT_TRUE(statusText().isEmpty());
    // The box stays ticked; the next Unlock starts the timer again.
    EXPECT_TRUE(find<QCheckBox>("chkTimeout")->isChecked());
    ASSERT_TRUE(press("Unlock"));
    EXPECT_TRUE(find<QTimer>("tmrLock")->isActive());
}

TEST_F(Session, AutoLockDropsUnsavedChangesWithoutAsking) {
    ASSERT_TRUE(press("Setup"));
    tickAutoLock(5);
    EXPECT_TRUE(window->isDirty());
    clock.advanceSeconds(600);
    fireTimer("tmrLock");
    EXPECT_TRUE(locked());
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Session, TypingIntoAChildBoxPostponesAutoLock) {
    ASSERT_TRUE(press("Setup"));
    tickAutoLock(5);
    window->setDirty(false);
    ASSERT_TRUE(press("Passwords"));
    auto* filter = find<QWidget>("cboFilter");
    QLineEdit box(find<QWidget>("fraPasswords"));
    box.show();
    window->activateWindow();

    clock.advanceSeconds(240);
    QTest::keyClick(&box, Qt::Key_A);
    EXPECT_EQ(box.text(), QStringLiteral("a"));
    clock.advanceSeconds(120);  // 6 minutes since the start, 2 since the key press
    fireTimer("tmrLock");
    EXPECT_FALSE(locked());

    QTest::mouseMove(filter);
    clock.advanceSeconds(299);
    fireTimer("tmrLock");
    EXPECT_FALSE(locked());
    clock.advanceSeconds(1);
    fireTimer("tmrLock");
    EXPECT_TRUE(locked());
}

TEST_F(Session, IdleTimeCountsFromTheWindowsCreation) {
    // With no activity at all the count starts when the window was made, not at the zero date.
    tickAutoLock(5);
    fireTimer("tmrLock");
    EXPECT_FALSE(locked());
}

TEST_F(Session, AutoLockInTheLockedWindowRunsAgainAndStopsTheTimer) {
    tickAutoLock(5);
    window->setDirty(false);
    ASSERT_TRUE(press("Unlock"));  // Lock
    ASSERT_TRUE(locked());
    EXPECT_TRUE(find<QTimer>("tmrLock")->isActive());
    clock.advanceSeconds(301);
    fireTimer("tmrLock");
    EXPECT_TRUE(locked());
    EXPECT_FALSE(find<QTimer>("tmrLock")->isActive());
}

}  // namespace
}  // namespace keyloft::testing

namespace keyloft::testing {
namespace {

class Activity : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Alice"});
        start();
    }
};

TEST_F(Activity, MouseMovementOverAPlainPictureCounts) {
    auto* picture = find<QWidget>("AGif");
    ASSERT_NE(picture, nullptr);
    window->activateWindow();
    clock.advanceSeconds(90);
    QTest::mouseMove(picture, QPoint(10, 10));
    QTest::mouseMove(picture, QPoint(20, 25));
    EXPECT_EQ(window->lastActivity().localEpochMilliseconds(), clock.now().localEpochMilliseconds());
}

TEST_F(Activity, KeysTypedInAnotherWindowDoNotCount) {
    QLineEdit elsewhere;
    elsewhere.show();
    const std::int64_t before = window->lastActivity().localEpochMilliseconds();
    clock.advanceSeconds(90);
    QTest::keyClick(&elsewhere, Qt::Key_B);
    EXPECT_EQ(elsewhere.text(), QStringLiteral("b"));
    EXPECT_EQ(window->lastActivity().localEpochMilliseconds(), before);
}

}  // namespace
}  // namespace keyloft::testing
