// The window driven by keys only: the first run, every command's key, Enter in the editors, and
// the saved entry of a long list kept in view.
#include <algorithm>
#include <atomic>
#include <map>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QToolBar>
#include <QTreeWidget>

#include "app/app_start.h"
#include "desktop/tray_icon.h"
#include "pages/keyboard_header.h"
#include "platform/qt_single_instance.h"
#include "store/profile.h"
#include "store/profile_store.h"
#include "support/gui_keyboard_fixture.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft::testing {
namespace {

constexpr char16_t kCreated[] = u"The new profile's password is opensesame. Log on and change it in Setup.";
constexpr char16_t kBadName[] =
    u"A profile name cannot contain any of these characters: . \\ / : * ? \" < > |";

using Keyboard = KeyboardWindowTest;

// Every box of the view is named by a label: the label's buddy is the box, and the box's
// accessible name is what the label shows (the second and third security questions share the
// heading of the first and carry names of their own). No two controls on screen mark one letter.
void ExpectBoxesNamedByLabels(QWidget* window, QWidget* view) {
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    const QList<QLineEdit*> boxes = view->findChildren<QLineEdit*>();
    ASSERT_FALSE(boxes.isEmpty());
    for (QLineEdit* edit : boxes) {
        // The editor inside a spin box is named by the spin box's label.
        QWidget* box = qobject_cast<QAbstractSpinBox*>(edit->parentWidget()) ? edit->parentWidget() : edit;
        const QString name = box->objectName() + QString::number(box->property("index").toInt());
        EXPECT_FALSE(box->accessibleName().isEmpty()) << name.toStdString();
        const auto label =
            std::find_if(labels.begin(), labels.end(), [box](QLabel* l) { return l->buddy() == box; });
        if (label == labels.end()) {
            EXPECT_TRUE(box->objectName() == QStringLiteral("txtQuestion") &&
                        box->property("index").toInt() > 0)
                << name.toStdString() << " has no label";
            continue;
        }
        if (!(*label)->text().isEmpty() && (*label)->objectName() != QStringLiteral("lblAnswer") &&
            (*label)->objectName() != QStringLiteral("lblQuestions")) {
            EXPECT_EQ(box->accessibleName(), VisibleText((*label)->text())) << name.toStdString();
        }
    }
    std::map<QString, QString> letters;  // Alt+letter -> the control that marks it
    auto mark = [&letters](QWidget* control, const QString& caption) {
        const QKeySequence key = QKeySequence::mnemonic(caption);
        if (key.isEmpty() || !control->isVisible()) return;
        const auto [at, added] = letters.emplace(key.toString(), control->objectName());
        EXPECT_TRUE(added) << key.toString().toStdString() << " is marked by " << at->second.toStdString()
                           << " and " << control->objectName().toStdString();
    };
    for (QLabel* label : labels) {
        if (label->buddy() != nullptr) mark(label, label->text());
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) mark(button, button->text());
}

TEST_F(Keyboard, EachLogonBoxIsReachedByItsLabelsLetter) {
    writeProfile(
        {.name = u"Alice", .logonMode = 3, .questions = {{u"Tom & Jerry", u"cat"}, {u"Town", u"Ely"}}});
    start();
    activate();
    key(Qt::Key_L, Qt::ControlModifier);  // Unlock
    ASSERT_TRUE(find<QPushButton>("cmdNext")->hasFocus());
    key(Qt::Key_Return);  // Continue
    ASSERT_TRUE(frameShown("fraLogin"));
    auto* user = find<QLineEdit>("txtUser");
    auto* pass = find<QLineEdit>("txtPass");
    auto* pin = find<QLineEdit>("txtPin");
    EXPECT_TRUE(pin->hasFocus());
    key(Qt::Key_U, Qt::AltModifier);
    EXPECT_TRUE(user->hasFocus());
    key(Qt::Key_W, Qt::AltModifier);
    EXPECT_TRUE(pass->hasFocus());
    key(Qt::Key_I, Qt::AltModifier);
    EXPECT_TRUE(pin->hasFocus());
    EXPECT_EQ(VisibleText(find<QLabel>("lblUser")->text()), QStringLiteral("User ID"));
    EXPECT_EQ(VisibleText(find<QLabel>("lblPassword")->text()), QStringLiteral("Password"));
    EXPECT_EQ(VisibleText(find<QLabel>("lblPin")->text()), QStringLiteral("PIN Number"));
    ExpectBoxesNamedByLabels(window.get(), find<QWidget>("fraLogin"));

    find<QPushButton>("cmdForgot")->click();
    ASSERT_TRUE(frameShown("fraQuestions"));
    const QList<QLineEdit*> answers = window->findChildren<QLineEdit*>(QStringLiteral("txtAns"));
    ASSERT_EQ(answers.size(), 3);
    EXPECT_TRUE(answers[0]->hasFocus());
    // The question names its box, and an "&" in it is shown as typed.
    const QLabel* first = window->findChildren<QLabel*>(QStringLiteral("lblQ1"))[0];
    EXPECT_EQ(first->buddy(), answers[0]);
    EXPECT_EQ(VisibleText(first->text()), QStringLiteral("Tom & Jerry ?"));
    EXPECT_EQ(answers[0]->accessibleName(), QStringLiteral("Tom & Jerry ?"));
    EXPECT_EQ(answers[1]->accessibleName(), QStringLiteral("Town ?"));
    ExpectBoxesNamedByLabels(window.get(), find<QWidget>("fraLogin"));
    type(QStringLiteral("cat"));
    key(Qt::Key_Return);
    EXPECT_TRUE(window->logonAccepted());
}

TEST_F(Keyboard, EachSetupBoxIsReachedByItsLabelsLetter) {
    // A password of its own: the seal box can be ticked, so it takes the focus.
    writeProfile({.name = u"Alice", .password = u"own pass"});
    start();
    activate();
    logOnAs({.name = u"Alice", .password = u"own pass"});
    key(Qt::Key_2, Qt::ControlModifier);  // Setup
    ASSERT_TRUE(frameShown("fraSecurityOptions"));
    const std::vector<std::pair<Qt::Key, QWidget*>> reached{
        {Qt::Key_U, find<QLineEdit>("txtUserID")},
        {Qt::Key_W, find<QLineEdit>("txtPassword")},
        {Qt::Key_F, find<QLineEdit>("txtconfirm")},
        {Qt::Key_I, find<QLineEdit>("txtSetupPIN")},
        {Qt::Key_Q, nth<QLineEdit>("txtQuestion", 0)},
        {Qt::Key_N, nth<QLineEdit>("txtanswer", 0)},
        {Qt::Key_E, nth<QLineEdit>("txtanswer", 1)},
        {Qt::Key_R, nth<QLineEdit>("txtanswer", 2)},
        {Qt::Key_S, find<QCheckBox>("chkSeal")},
        {Qt::Key_L, find<QCheckBox>("chkTimeout")},
        {Qt::Key_K, find<QCheckBox>("chkLockOnScreenLock")},
        {Qt::Key_M, find<QCheckBox>("chkLockOnMinimize")},
        {Qt::Key_T, find<QSpinBox>("spnClearClipboard")}};
    for (const auto& [letter, box] : reached) {
        key(letter, Qt::AltModifier);
        EXPECT_TRUE(box->hasFocus()) << "Alt+" << QKeySequence(letter).toString().toStdString();
    }
    // The captions read as before.
    const std::vector<std::pair<QLabel*, QString>> captions{
        {find<QLabel>("lblUserID"), QStringLiteral("User ID")},
        {findIn<QLabel>("fraSecurityOptions", "lblPassword"), QStringLiteral("Password")},
        {find<QLabel>("lblConfirm"), QStringLiteral("Confirm Password")},
        {find<QLabel>("lblSetupPIN"), QStringLiteral("PIN Number")},
        {find<QLabel>("lblQuestions"), QStringLiteral("Security Questions and Answers")},
        {nth<QLabel>("lblAnswer", 0), QStringLiteral("Answer")},
        {nth<QLabel>("lblAnswer", 1), QStringLiteral("Answer")},
        {nth<QLabel>("lblAnswer", 2), QStringLiteral("Answer")}};
    for (const auto& [label, caption] : captions) EXPECT_EQ(VisibleText(label->text()), caption);
    EXPECT_EQ(nth<QLineEdit>("txtQuestion", 1)->accessibleName(), QStringLiteral("Security question 2"));
    EXPECT_EQ(nth<QLineEdit>("txtanswer", 2)->accessibleName(), QStringLiteral("Answer 3"));
    ExpectBoxesNamedByLabels(window.get(), find<QWidget>("fraSecurityOptions"));
}

TEST_F(Keyboard, FirstRunFromAnEmptyFolderToTheLogon) {
    // The database folder is the program's own: no question offers that same folder again.
    start();
    EXPECT_TRUE(dialogs.shown().empty());
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
    // A name of a conflict copy's shape would be left out of the list and merged into another.
    find<QLineEdit>("txtFileName")->selectAll();
    type(QStringLiteral("Team (conflicted copy 2026-12-09)"));
    dialogs.expect(
        u"A file-sync engine gives its conflict copies names of this shape. Please choose another name!");
    key(Qt::Key_Return);
    ASSERT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(exists(u"Team (conflicted copy 2026-12-09)"));
    // The labels' letters move between the list and the name box.
    key(Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(find<QComboBox>("cboProfile")->hasFocus());
    key(Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(find<QLineEdit>("txtFileName")->hasFocus());
    find<QLineEdit>("txtFileName")->selectAll();

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
    EXPECT_EQ(window->store().open().profileName(), u"Mine");
    type(QStringLiteral("opensesame"));
    key(Qt::Key_Return);
    EXPECT_TRUE(window->logonAccepted());
}

TEST_F(Keyboard, AnEmptyListKeepsAddAndSaysHow) {
    start();
    activate();
    key(Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(find<QLabel>("lblNoProfiles")->isVisible());
    EXPECT_EQ(find<QLabel>("lblNoProfiles")->text(),
              QStringLiteral("No profiles yet: press Add to create one."));
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
    ASSERT_EQ(entryRows()->rowCount(), 1);

    keys(QKeySequence::New);  // Add
    EXPECT_TRUE(!find<QLabel>("lblNewUser")->isHidden());
    EXPECT_TRUE(find<QLineEdit>("txtUserCode")->hasFocus());
    type(QStringLiteral("carol"));
    key(Qt::Key_G, Qt::ControlModifier);  // Generate
    const QString generated = find<QLineEdit>("txtUserpass")->text();
    EXPECT_FALSE(generated.isEmpty());
    EXPECT_EQ(find<QLineEdit>("txtuserconfirm")->text(), generated);
    keys(QKeySequence::Save);  // Save
    EXPECT_FALSE(window->isDirty());
    ASSERT_EQ(window->store().open().profile().entries.size(), 2u);
    EXPECT_EQ(find<QLineEdit>("txtUserCode")->text(),
              QStringLiteral("carol"));  // the saved entry stays chosen

    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);  // Show
    ASSERT_TRUE(find<QWidget>("frmshowpass")->isVisible());
    EXPECT_EQ(findIn<QLineEdit>("frmshowpass", "txtcode")->text(), QStringLiteral("carol"));
    activate();

    dialogs.expect(u"The master list was written to " + QDir::toNativeSeparators(pdf).toStdU16String() +
                   u".");
    keys(QKeySequence::Print);
    EXPECT_EQ(dialogs.pending(), 0u);

    key(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);  // Filter
    EXPECT_TRUE(button("Filter")->isChecked());
    EXPECT_TRUE(find<QComboBox>("cboFilter")->isEnabled());
    key(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(button("Filter")->isChecked());

    // Escape drops an edit.
    find<QLineEdit>("txtUserDesc")->setFocus();
    type(QStringLiteral("typo"));
    ASSERT_TRUE(window->isDirty());
    key(Qt::Key_Escape);
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(find<QLineEdit>("txtUserDesc")->text().isEmpty());

    // Delete in the list asks first; in a box it deletes a character.
    find<QTreeView>("lstUser")->setFocus();
    QTest::keyClick(find<QTreeView>("lstUser"), Qt::Key_Down);
    ASSERT_TRUE(button("Delete")->isEnabled());
    dialogs.expect(u"Are you sure you wish to delete this entry?", MessageAnswer::Yes);
    keys(QKeySequence::Delete);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(window->store().open().profile().entries.size(), 1u);
    EXPECT_FALSE(button("Show")->isEnabled());
    EXPECT_FALSE(button("Generate")->isEnabled());

    key(Qt::Key_L, Qt::ControlModifier);  // Lock
    EXPECT_EQ(button("Unlock")->text(), QStringLiteral("Unlock"));
    EXPECT_FALSE(find<QWidget>("frmshowpass")->isVisible());
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
    ASSERT_EQ(window->store().open().profile().entries.size(), 1u);
    EXPECT_EQ(window->store().open().profile().entries[0], EntryOf(u"4|||dave|secret||||"));
    EXPECT_FALSE(window->isDirty());

    key(Qt::Key_2, Qt::ControlModifier);  // Setup
    ASSERT_TRUE(frameShown("fraSecurityOptions"));
    find<QPushButton>("cmdCategory")->click();
    keys(QKeySequence::New);
    ASSERT_TRUE(find<QLineEdit>("txtCategory")->hasFocus());
    type(QStringLiteral("Travel"));
    key(Qt::Key_Return);
    EXPECT_EQ(find<QTreeWidget>("lstCategory")->topLevelItemCount(), 1);
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
    std::vector<Entry> entries;
    entries.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        entries.push_back(EntryOf(u"4||Entry " + QString::number(i).toStdU16String() + u"|user" +
                                  QString::number(i).toStdU16String() + u"|pw||||"));
    }
    logOnToPasswords(RecordsOf(entries));
    ASSERT_EQ(entryRows()->rowCount(), 10000);
    // The first row, edited and saved, becomes the profile's last entry.
    find<QTreeView>("lstUser")->setFocus();
    QTest::keyClick(find<QTreeView>("lstUser"), Qt::Key_End);
    QTest::keyClick(find<QTreeView>("lstUser"), Qt::Key_Home);
    ASSERT_EQ(find<QLineEdit>("txtUserCode")->text(), QStringLiteral("user0"));
    find<QLineEdit>("txtUserDesc")->setFocus();
    find<QLineEdit>("txtUserDesc")->selectAll();
    type(QStringLiteral("Renamed"));
    key(Qt::Key_Return);
    ASSERT_FALSE(window->isDirty());
    ASSERT_EQ(window->store().open().profile().entries.back(), EntryOf(u"4||Renamed|user0|pw||||"));

    const QModelIndexList selected = find<QTreeView>("lstUser")->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(entryRows()->rowAt(selected.first().row()).position, 10000);
    const QRect row = find<QTreeView>("lstUser")->visualRect(selected.first());
    EXPECT_TRUE(find<QTreeView>("lstUser")->viewport()->rect().intersects(row));
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->text(), QStringLiteral("Renamed"));
    EXPECT_TRUE(button("Show")->isEnabled());
}

// The list sorts by keys as by clicks: Tab from the search box reaches the headings, Left and
// Right choose one (passing over the password column, which starts with no width), Space or
// Enter sorts by it as a click does, each press reversing the one direction.
TEST_F(Keyboard, TheListSortsByKeysAsByClicks) {
    logOnToPasswords({u"4||Bravo|carol|pw||||", u"4||Alpha|bob|pw||||", u"4||Charlie|anna|pw||||"});
    keys(QKeySequence::Find);
    key(Qt::Key_Tab);
    auto* headings = qobject_cast<KeyboardHeader*>(QApplication::focusWidget());
    ASSERT_NE(headings, nullptr);
    const auto cells = [this](int column) {
        QStringList shown;
        for (int row = 0; row < entryRows()->rowCount(); ++row)
            shown << entryRows()->rowAt(row).cells[column];
        return shown.join(QLatin1Char(' ')).toStdString();
    };
    struct Step {
        std::vector<Qt::Key> pressed;
        int column;
        const char* order;
    };
    using Col = EntryListModel::Column;
    for (const Step& step : {Step{{Qt::Key_Right, Qt::Key_Space}, Col::Description, "Charlie Bravo Alpha"},
                             Step{{Qt::Key_Return}, Col::Description, "Alpha Bravo Charlie"},
                             Step{{Qt::Key_Right, Qt::Key_Enter}, Col::UserCode, "carol bob anna"}}) {
        for (const Qt::Key pressed : step.pressed) key(pressed);
        EXPECT_EQ(headings->chosenSection(), step.column);
        EXPECT_EQ(headings->sortIndicatorSection(), step.column);
        EXPECT_EQ(cells(step.column), step.order);
    }
    key(Qt::Key_Right);
    EXPECT_EQ(headings->chosenSection(), Col::Notes);
    key(Qt::Key_Tab);
    EXPECT_TRUE(find<QTreeView>("lstUser")->hasFocus());
}

// Filter's key presses Filter and puts the focus in the filter box, where the arrow keys choose a
// category; pressed again, every entry is listed.
TEST_F(Keyboard, FilterKeyLeadsToTheFilterBox) {
    logOnToPasswords({u"4|Bank|Current|anna|pw||||", u"4|Mail|Inbox|bob|pw||||"},
                     {QStringLiteral("Bank"), QStringLiteral("Mail")});
    key(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(find<QComboBox>("cboFilter")->hasFocus());
    key(Qt::Key_Down);
    EXPECT_EQ(find<QComboBox>("cboFilter")->currentText(), QStringLiteral("Bank"));
    EXPECT_EQ(entryRows()->rowCount(), 1);
    key(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(entryRows()->rowCount(), 2);
    EXPECT_FALSE(find<QComboBox>("cboFilter")->isEnabled());
}

// A parked window comes back by keys: from the notification area's menu (R is Restore), and by
// starting the program again, which first says "Keyloft is already running!".
TEST_F(Keyboard, AParkedWindowComesBackByKeys) {
    const QString lock = QDir(temp.path()).filePath(QStringLiteral("keyloft.lock"));
    platform::SingleInstanceGuard running(lock);
    ASSERT_TRUE(running.tryAcquire());
    trayAvailable = true;
    writeProfile({.name = u"Alice"});
    start();
    std::atomic<int> showRequests = 0;
    ASSERT_TRUE(running.listenForShowRequests(window.get(), [this, &showRequests] {
        ++showRequests;
        window->bringToFront();
    }));
    parts->tray->setNotificationAreaAvailable(true);
    const auto park = [this] {
        activate();
        auto* button = find<QPushButton>("cmdPark");
        ASSERT_TRUE(QTest::qWaitFor([button] { return button->isEnabled() && button->isVisible(); }));
        key(Qt::Key_P, Qt::AltModifier);  // the button's letter presses it after a moment
        EXPECT_TRUE(QTest::qWaitFor([this] { return window->isHidden(); }, 5000))
            << "focus " << ControlName(focus()).toStdString()
            << " in the window: " << (focus()->window() == window.get())
            << ", active window: " << (QApplication::activeWindow() == window.get())
            << ", minimized: " << window->isMinimized();
    };
    park();
    QMenu* menu = parts->tray->menu();
    menu->popup(QPoint(10, 10));
    QTest::keyClick(menu, Qt::Key_R);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());

    park();
    platform::SingleInstanceGuard second(lock);
    dialogs.expect(u"Keyloft is already running!");
    dialogs.whileOpen([&showRequests] { EXPECT_EQ(showRequests, 0); });  // the message comes first
    bool refused = false;
    ASSERT_TRUE(RunBesideEvents([&] { refused = RefuseSecondInstance(second, dialogs); }));
    EXPECT_TRUE(refused);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->isVisible(); }, 5000));
    EXPECT_FALSE(window->isMinimized());
}

// Without a printer, Print says so, and that the PDF file will hold every password in clear,
// before any file question: No asks nothing more; Yes asks for the file and says where it went.
TEST_F(Keyboard, PrintWithoutAPrinterSaysWhatTheFileWillHold) {
    const QString pdf = QDir(temp.path()).filePath(QStringLiteral("list.pdf"));
    int fileQuestions = 0;
    openPrinter = [](QWidget*) { return nullptr; };
    askForPdf = [&fileQuestions, pdf](QWidget*) {
        ++fileQuestions;
        return platform::OpenPdfPrinter(pdf);
    };
    logOnToPasswords({u"4||Current|alice|pw1||||"});
    const std::u16string noPrinter =
        u"No printer was found. The master list can be written to a PDF file instead. The file will hold "
        u"every "
        u"password in clear text: keep it where nobody else can read it, and delete it when you no longer "
        u"need "
        u"it.\n\nWrite the master list to a PDF file?";
    dialogs.expect(noPrinter, MessageAnswer::No);
    keys(QKeySequence::Print);
    EXPECT_EQ(dialogs.last().title, u"Print Master List");
    EXPECT_EQ(dialogs.last().defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(fileQuestions, 0);
    EXPECT_FALSE(QFile::exists(pdf));

    dialogs.expect(noPrinter, MessageAnswer::Yes);
    dialogs.expect(u"The master list was written to " + QDir::toNativeSeparators(pdf).toStdU16String() +
                   u".");
    keys(QKeySequence::Print);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(fileQuestions, 1);
    EXPECT_TRUE(QFile::exists(pdf));
}

}  // namespace
}  // namespace keyloft::testing
