// The window driven by keys only: the first run, every command's key, Enter in the editors, and
// the saved entry of a long list kept in view.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QToolBar>
#include <QTreeWidget>

#include "entries/passwords_view.h"
#include "entries/category_view.h"
#include "entries/entry_list_model.h"
#include "entries/frm_show_pass.h"
#include "entries/passwords_view.h"
#include "store/profile.h"
#include "store/profile_store.h"
#include "window_fixture.h"

namespace keyloft::testing {
namespace {

constexpr char16_t kNoProfilesQuestion[] = u"No Profiles found in Database location!\nTry application installation folder?";
constexpr char16_t kCreated[] = u"The new profile's password is opensesame. Log on and change it in Setup.";
constexpr char16_t kBadName[] = u"A profile name cannot contain any of these characters: . \\ / : * ? \" < > |";

class Keyboard : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        assemble = true;
    }
    void activate() {
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QWidget* focus() {
        QWidget* widget = QApplication::focusWidget();
        return widget != nullptr ? widget : window.get();
    }
    // A key (with modifiers) where the focus is, as the user presses it.
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(focus(), k, modifiers); }
    void type(const QString& text) { QTest::keyClicks(focus(), text); }
    void keys(const QKeySequence& sequence) {
        const QKeyCombination combination = sequence[0];
        key(combination.key(), combination.keyboardModifiers());
    }
    PasswordsView& view() { return *parts->passwords; }
    // Logged on to "Shared" (entries given) in the passwords view.
    void logOnToPasswords(const std::vector<std::u16string>& entries) {
        writeProfile({.name = u"Shared"});
        otherInstanceSaves(u"Shared", [&entries](Profile& p) { p.entries = entries; });
        start();
        activate();
        logOnAs({.name = u"Shared"});
        key(Qt::Key_1, Qt::ControlModifier);  // Passwords
        ASSERT_TRUE(frameShown("fraPasswords"));
    }
};

TEST_F(Keyboard, FirstRunFromAnEmptyFolderToTheLogon) {
    dialogs.expect(kNoProfilesQuestion, MessageAnswer::No);
    start();
    ASSERT_EQ(dialogs.pending(), 0u);
    // Enter on that question keeps the database folder.
    EXPECT_EQ(dialogs.shown().front().defaultAnswer, MessageAnswer::No);
    activate();
    // A colleague adds a profile to the folder while the window runs.
    writeProfile({.name = u"Aardvark"});

    key(Qt::Key_L, Qt::ControlModifier);  // Unlock
    ASSERT_TRUE(frameShown("fraProfile"));
    EXPECT_EQ(find<QComboBox>("cboProfile")->count(), 1);  // listed again on Unlock

    keys(QKeySequence::New);  // Add
    ASSERT_TRUE(find<QLineEdit>("txtFileName")->hasFocus());
    type(QStringLiteral("a/b"));
    dialogs.expect(kBadName);
    key(Qt::Key_Return);
    ASSERT_EQ(dialogs.pending(), 0u);
    // The box and the typed name are still there, ready for correcting.
    EXPECT_TRUE(find<QLineEdit>("txtFileName")->isVisible());
    EXPECT_EQ(find<QLineEdit>("txtFileName")->text(), QStringLiteral("a/b"));
    EXPECT_TRUE(find<QLineEdit>("txtFileName")->hasFocus());

    type(QStringLiteral("Mine"));  // replaces the selected text
    dialogs.expect(kCreated);
    key(Qt::Key_Return);
    ASSERT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(exists(u"Mine"));
    EXPECT_EQ(find<QComboBox>("cboProfile")->currentText(), QStringLiteral("Mine"));
    EXPECT_FALSE(find<QLineEdit>("txtFileName")->isVisible());

    ASSERT_TRUE(find<QPushButton>("cmdNext")->hasFocus());
    key(Qt::Key_Return);  // Continue
    ASSERT_TRUE(frameShown("fraLogin"));
    EXPECT_EQ(window->store().profileName(), u"Mine");
    type(QStringLiteral("opensesame"));
    key(Qt::Key_Return);
    EXPECT_TRUE(window->logonAccepted());
}

TEST_F(Keyboard, AnEmptyListKeepsAddAndSaysHow) {
    dialogs.expect(kNoProfilesQuestion, MessageAnswer::No);
    start();
    activate();
    key(Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(find<QLabel>("lblNoProfiles")->isVisible());
    EXPECT_EQ(find<QLabel>("lblNoProfiles")->text(), QStringLiteral("No profiles yet: press Add to create one."));
    find<QPushButton>("cmdNext")->click();
    EXPECT_TRUE(frameShown("fraProfile"));
    EXPECT_TRUE(button("Add")->isVisible() && button("Add")->isEnabled());
}

TEST_F(Keyboard, LockWhileAddingAProfileLeavesContinueUsable) {
    writeProfile({.name = u"Alice"});
    start();
    activate();
    key(Qt::Key_L, Qt::ControlModifier);
    keys(QKeySequence::New);
    ASSERT_FALSE(find<QPushButton>("cmdNext")->isEnabled());
    key(Qt::Key_L, Qt::ControlModifier);  // Lock
    key(Qt::Key_L, Qt::ControlModifier);  // Unlock
    EXPECT_TRUE(find<QPushButton>("cmdNext")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>("txtFileName")->isVisible());
}

TEST_F(Keyboard, EveryCommandHasItsKey) {
    const QString pdf = QDir(temp.path()).filePath(QStringLiteral("list.pdf"));
    openPrinter = [pdf](QWidget*) { return platform::OpenPdfPrinter(pdf); };
    logOnToPasswords({u"4||Current|alice|pw1||||"});
    ASSERT_EQ(view().listModel()->rowCount(), 1);

    keys(QKeySequence::New);  // Add
    EXPECT_TRUE(view().newMarkerVisible());
    EXPECT_TRUE(view().txtUserCode->hasFocus());
    type(QStringLiteral("carol"));
    key(Qt::Key_G, Qt::ControlModifier);  // Generate
    const QString generated = view().txtUserpass->text();
    EXPECT_FALSE(generated.isEmpty());
    EXPECT_EQ(view().txtuserconfirm->text(), generated);
    keys(QKeySequence::Save);  // Save
    EXPECT_FALSE(window->isDirty());
    ASSERT_EQ(window->store().profile().entries.size(), 2u);
    EXPECT_EQ(view().txtUserCode->text(), QStringLiteral("carol"));  // the saved entry stays chosen

    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);  // Show
    ASSERT_TRUE(parts->popup->isPopupVisible());
    EXPECT_EQ(parts->popup->window()->txtcode->text(), QStringLiteral("carol"));
    activate();

    dialogs.expect(u"The master list was written to " + QDir::toNativeSeparators(pdf).toStdU16String() + u".");
    keys(QKeySequence::Print);
    EXPECT_EQ(dialogs.pending(), 0u);

    keys(QKeySequence::Find);  // Filter
    EXPECT_TRUE(button("Filter")->isChecked());
    EXPECT_TRUE(view().cboFilter->isEnabled());
    keys(QKeySequence::Find);
    EXPECT_FALSE(button("Filter")->isChecked());

    // Escape drops an edit.
    view().txtUserDesc->setFocus();
    type(QStringLiteral("typo"));
    ASSERT_TRUE(window->isDirty());
    key(Qt::Key_Escape);
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(view().txtUserDesc->text().isEmpty());

    // Delete in the list asks first; in a box it deletes a character.
    view().lstUser->setFocus();
    QTest::keyClick(view().lstUser, Qt::Key_Down);
    ASSERT_TRUE(button("Delete")->isEnabled());
    dialogs.expect(u"Are you sure you wish to delete this entry?", MessageAnswer::Yes);
    keys(QKeySequence::Delete);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(window->store().profile().entries.size(), 1u);
    EXPECT_FALSE(button("Show")->isEnabled());
    EXPECT_FALSE(button("Generate")->isEnabled());

    key(Qt::Key_L, Qt::ControlModifier);  // Lock
    EXPECT_EQ(button("Unlock")->text(), QStringLiteral("Unlock"));
    EXPECT_FALSE(parts->popup->isPopupVisible());
}

TEST_F(Keyboard, EnterSavesTheEntryAndTheCategory) {
    logOnToPasswords({});
    keys(QKeySequence::New);
    type(QStringLiteral("dave"));
    key(Qt::Key_Tab);
    type(QStringLiteral("secret"));
    key(Qt::Key_Tab);
    type(QStringLiteral("secret"));
    key(Qt::Key_Return);
    ASSERT_EQ(window->store().profile().entries.size(), 1u);
    EXPECT_EQ(window->store().profile().entries[0], u"4|||dave|secret||||");
    EXPECT_FALSE(window->isDirty());

    key(Qt::Key_2, Qt::ControlModifier);  // Setup
    ASSERT_TRUE(frameShown("fraSecurityOptions"));
    find<QPushButton>("cmdCategory")->click();
    keys(QKeySequence::New);
    ASSERT_TRUE(parts->category->txtCategory->hasFocus());
    type(QStringLiteral("Travel"));
    key(Qt::Key_Return);
    EXPECT_EQ(parts->category->lstCategory->topLevelItemCount(), 1);
}

TEST_F(Keyboard, TheToolbarIsReachedByTabWhenLocked) {
    writeProfile({.name = u"Alice"});
    start();
    activate();
    QWidget* unlock = find<QToolBar>("Toolbar1")->widgetForAction(button("Unlock"));
    ASSERT_NE(unlock, nullptr);
    bool reached = false;
    for (int i = 0; i < 6 && !reached; ++i) {
        key(Qt::Key_Tab);
        reached = QApplication::focusWidget() == unlock;
    }
    EXPECT_TRUE(reached);
    key(Qt::Key_Space);
    EXPECT_TRUE(frameShown("fraProfile"));
}

TEST_F(Keyboard, TheSavedEntryOfALongListIsChosenAndInView) {
    std::vector<std::u16string> entries;
    entries.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        entries.push_back(u"4||Entry " + QString::number(i).toStdU16String() + u"|user" +
                          QString::number(i).toStdU16String() + u"|pw||||");
    }
    logOnToPasswords(entries);
    ASSERT_EQ(view().listModel()->rowCount(), 10000);
    // The first row, edited and saved, becomes the profile's last entry.
    view().lstUser->setFocus();
    QTest::keyClick(view().lstUser, Qt::Key_End);
    QTest::keyClick(view().lstUser, Qt::Key_Home);
    ASSERT_EQ(view().txtUserCode->text(), QStringLiteral("user0"));
    view().txtUserDesc->setFocus();
    view().txtUserDesc->selectAll();
    type(QStringLiteral("Renamed"));
    key(Qt::Key_Return);
    ASSERT_FALSE(window->isDirty());
    ASSERT_EQ(window->store().profile().entries.back(), u"4||Renamed|user0|pw||||");

    const QModelIndexList selected = view().lstUser->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(view().listModel()->rowAt(selected.first().row()).position, 10000);
    const QRect row = view().lstUser->visualRect(selected.first());
    EXPECT_TRUE(view().lstUser->viewport()->rect().intersects(row));
    EXPECT_EQ(view().txtUserDesc->text(), QStringLiteral("Renamed"));
    EXPECT_TRUE(button("Show")->isEnabled());
}

}  // namespace
}  // namespace keyloft::testing
