// The main window's screens and the state of its commands, the profile choice, and what follows a
// logon (the auto-lock setting, the conflict copies).
#include <algorithm>
#include <cmath>

#include <QAction>
#include <QComboBox>
#include <QSignalBlocker>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>

#include "app/idle_lock.h"
#include "app/logon_view.h"
#include "app/main_window.h"
#include "app/profile_view.h"
#include "app/setup_frame.h"
#include "import/import_summary.h"
#include "pages/tab_order.h"
#include "pages/text_rules.h"
#include "platform/qt_dialogs.h"
#include "store/auto_lock.h"
#include "store/conflict_copies.h"
#include "store/profile_store.h"

namespace keyloft {
namespace {

void Set(QAction* action, bool shown, bool on) {
    action->setVisible(shown);
    action->setEnabled(on);
}

}  // namespace

MainWindow::Screen MainWindow::shownScreen() const { return static_cast<Screen>(screens_->currentIndex()); }

Page* MainWindow::pageOf(Screen screen) const {
    switch (screen) {
        case Screen::Passwords:
            return passwordsPage_;
        case Screen::Setup:
            return setupPage_;
        case Screen::Category:
            return categoryPage_;
        default:
            return nullptr;
    }
}

// Shows the screen with its commands as a fresh showing sets them. The page of the screen left is
// told it is hidden; the page of the screen shown is told it is shown (also when it was shown
// already, as after a save).
void MainWindow::showScreen(Screen screen) {
    const Screen before = shownScreen();
    if (before != screen) {
        if (Page* page = pageOf(before)) page->pageShown(false);
    }
    screens_->setCurrentIndex(static_cast<int>(screen));
    CommandsOn& on = commandsOn_;
    switch (screen) {
        case Screen::Profile:
            on.add = on.remove = true;
            profileRecordsShown_ = true;
            if (before != Screen::Profile) profileSaveShown_ = false;
            profileView_->focusContinue();
            break;
        case Screen::Passwords:
            on = CommandsOn{.add = true, .print = true};
            filterBox_->setEnabled(false);
            break;
        case Screen::Setup:
            on.save = on.cancel = false;
            break;
        case Screen::Category:
            on.add = true;
            on.remove = on.save = on.cancel = false;
            break;
        default:
            break;
    }
    updateActions();
    if (Page* page = pageOf(screen)) page->pageShown(true);
}

void MainWindow::showScreenAgain() {
    if (Page* page = shownPage()) page->pageShown(false);
    showScreen(shownScreen());
}

bool MainWindow::recordCommandsShown() const {
    switch (shownScreen()) {
        case Screen::Profile:
            return profileRecordsShown_;
        case Screen::Passwords:
        case Screen::Category:
            return true;
        default:
            return false;
    }
}

bool MainWindow::saveCommandShown() const {
    switch (shownScreen()) {
        case Screen::Profile:
            return profileSaveShown_;
        case Screen::Passwords:
        case Screen::Setup:
        case Screen::Category:
        case Screen::About:
            return true;
        default:
            return false;
    }
}

void MainWindow::updateActions() {
    const MainActions& a = toolbars_.actions;
    const Screen screen = shownScreen();
    const bool open = session_.isOpen();
    a.lock->setText(open ? QStringLiteral("Lock") : QStringLiteral("Unlock"));
    a.lock->setIcon(ToolbarPicture(open ? QStringLiteral("Lock") : QStringLiteral("Unlock")));
    a.lock->setChecked(open);
    Set(a.setup, true, session_.loggedOn());
    Set(a.passwords, true, session_.loggedOn());
    a.setup->setChecked(screen == Screen::Setup || screen == Screen::Category || screen == Screen::About);
    a.passwords->setChecked(screen == Screen::Passwords);

    toolbars_.recordBar->setVisible(open);
    const bool records = recordCommandsShown();
    const bool saving = saveCommandShown();
    const bool tools = screen == Screen::Passwords;
    Set(a.add, records, commandsOn_.add);
    Set(a.remove, records, commandsOn_.remove);
    Set(a.save, saving, commandsOn_.save);
    Set(a.cancel, saving, commandsOn_.cancel);
    a.filter->setVisible(tools);
    toolbars_.filterSeparator->setVisible(tools);
    Set(a.show, tools, commandsOn_.show);
    Set(a.generate, tools, commandsOn_.generate);
    Set(a.print, tools, commandsOn_.print);
    Set(a.importFile, tools, session_.loggedOn());
    filterBox_->setVisible(tools);
    tray_->setLockable(open);
    fitToolbars();
}

void MainWindow::setDirty(bool dirty) {
    session_.setDirty(dirty);
    if (saveCommandShown()) {
        commandsOn_.save = commandsOn_.cancel = true;
        commandsOn_.add = false;
    }
    updateActions();
}

void MainWindow::applyCommands(const CommandStates& states) {
    const auto apply = [](bool& on, const std::optional<bool>& wanted) {
        if (wanted) on = *wanted;
    };
    apply(commandsOn_.add, states.add);
    apply(commandsOn_.remove, states.remove);
    apply(commandsOn_.save, states.save);
    apply(commandsOn_.cancel, states.cancel);
    apply(commandsOn_.show, states.show);
    apply(commandsOn_.generate, states.generate);
    apply(commandsOn_.print, states.print);
    if (states.filterPressed) {
        const QSignalBlocker blocker(toolbars_.actions.filter);
        toolbars_.actions.filter->setChecked(*states.filterPressed);
    }
    updateActions();
}

void MainWindow::fitToolbars() {
    QToolBar* first = toolbars_.sessionBar;
    QToolBar* second = toolbars_.recordBar;
    const int both = first->sizeHint().width() + second->sizeHint().width();
    const bool apart = second->isVisible() && both > width();
    if (apart == toolBarBreak(second)) return;
    if (apart) {
        insertToolBarBreak(second);
    } else {
        removeToolBarBreak(second);
    }
}

void MainWindow::orderTabStops() {
    QList<QWidget*> order;
    for (QToolBar* bar : {toolbars_.sessionBar, toolbars_.recordBar}) {
        for (QAction* action : bar->actions()) {
            if (QWidget* button = bar->widgetForAction(action)) order.append(button);
        }
        // The button that shows the commands a narrow window has no room for.
        if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
            order.append(more);
    }
    order << filterBox_ << findChild<QPushButton*>(QStringLiteral("cmdPark"))
          << findChild<QPushButton*>(QStringLiteral("cmdHelp"));
    // A page put into a frame comes before the frame's own controls, which stand below it.
    const auto pageThenFrame = [&order](QWidget* frame, QWidget* content) {
        const QList<QWidget*> inPage = TabStopsIn(content);
        order << inPage;
        for (QWidget* control : TabStopsIn(frame))
            if (!inPage.contains(control)) order << control;
    };
    order << TabStopsIn(profileView_) << TabStopsIn(logonView_) << TabStopsIn(passwordsScreen_);
    pageThenFrame(setupFrame_, setupFrame_->content());
    pageThenFrame(categoryScreen_, categoryContent_);
    order << TabStopsIn(aboutView_);
    order.removeAll(nullptr);
    ChainTabOrder(order);
}

// ---- profile choice ----

void MainWindow::fillProfileList(const std::vector<std::u16string>& names, const QString& wanted) {
    QStringList list;
    for (const std::u16string& name : names) {
        list.append(QString::fromStdU16String(name));
    }
    profileView_->setProfileNames(list, wanted);
}

void MainWindow::refillProfileList(const QString& wanted) {
    fillProfileList(store_->folder().profileNames(),
                    wanted.isEmpty() ? profileView_->chosenProfile() : wanted);
}

void MainWindow::onContinueClicked() {
    profileRecordsShown_ = false;
    profileSaveShown_ = false;
    updateActions();
    const QString name = profileView_->chosenProfile();
    if (name.isEmpty()) {
        // Nothing to open: the profile view stays, with Add to make the first profile.
        showScreen(Screen::Profile);
        profileView_->focusList();
        return;
    }
    platform::ShowBusyPointer();
    const OpenResult opened = answered(store_->open().openProfile(name.toStdU16String()));
    platform::ShowIdlePointer();
    if (opened.outcome == OpenOutcome::InUse) {
        store_->folder().logError(u"ReadFromFile", ErrorNumberText(opened.error.number),
                                  opened.error.description);
    }
    carryOut(opened.report);
    if (opened.loaded()) {
        logonView_->setUp(store_->open().profile().logonMode);
        showScreen(Screen::Logon);
        logonView_->focusFirstBox();
    } else if (opened.outcome == OpenOutcome::InUse || opened.outcome == OpenOutcome::Empty ||
               opened.outcome == OpenOutcome::BadName || opened.outcome == OpenOutcome::NotReadable ||
               opened.outcome == OpenOutcome::Replaced) {
        // Said so (or the user chose not to open a replaced file): stay in the profile view.
        if (!isHidden()) {
            showScreen(Screen::Profile);
        }
    }
}

void MainWindow::onDatabaseClicked() {
    if (!services_.chooseFolder) {
        return;
    }
    const QString current = QString::fromStdU16String(store_->folder().databaseFolder().u16string());
    const QString chosen = services_.chooseFolder(current);
    if (chosen.isEmpty()) {
        return;
    }
    store_->folder().writeSetting(kSettingDatabase, chosen.toStdU16String());
    platform::ShowBusyPointer();
    fillProfileList(listProfiles());
    platform::ShowIdlePointer();
}

// ---- logon ----

void MainWindow::onForgotLogonClicked() {
    if (!store_->open().answersCanOpen()) {
        MessageRequest told;
        told.text = kNoAnswerSlotText;
        told.icon = MessageIcon::Information;
        showMessage(told);
        return;
    }
    logonView_->openQuestions(store_->open().profile());
}

// Copies that a file-sync engine left when two machines changed the profile at once: what they
// hold that the profile does not can be merged now (the default) or kept for later. Each copy is
// read once; the counts asked about are those the merge adds.
void MainWindow::offerConflictMerge() {
    ConflictMerge merge = store_->edits().readConflictCopies();
    if (merge.unprovenCopies() > 0) {
        std::vector<std::u16string> names;
        for (const ConflictCopyInfo& copy : merge.copies())
            if (copy.unproven) names.push_back(copy.fileName);
        MessageRequest question;
        question.icon = MessageIcon::Question;
        question.buttons = MessageButtons::YesNo;
        question.defaultAnswer = MessageAnswer::No;
        question.question = Question::MergeUnprovenCopies;
        question.text = UnprovenCopiesQuestion(names);
        const bool include = showMessage(question) == MessageAnswer::Yes;
        if (!session_.loggedOn()) return;
        if (include) store_->edits().includeUnprovenCopies(merge);
    }
    std::u16string leftAlone;
    for (const ConflictCopyInfo& copy : merge.copies()) {
        if (!copy.problem.empty() && !copy.unproven)
            leftAlone += u"\n" + copy.fileName + u": " + copy.problem;
    }
    if (!leftAlone.empty()) {
        MessageRequest told;
        told.icon = MessageIcon::Exclamation;
        told.text =
            u"These conflict copies of the profile cannot be merged into it and were left in the database "
            u"folder:" +
            leftAlone;
        showMessage(told);
        if (!session_.loggedOn()) return;
    }
    const std::size_t copies = merge.copiesMerged();
    if (copies == 0) return;
    MessageRequest question;
    question.icon = MessageIcon::Question;
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::Yes;
    question.question = Question::MergeConflictCopies;
    question.text =
        u"A file-sync engine left " + CountedText(copies, "conflict copy", "conflict copies") +
        u" of this profile. " + (copies == 1 ? u"It holds " : u"They hold ") +
        CountedText(merge.entriesAdded(), "entry", "entries") + u" and " +
        CountedText(merge.categoriesAdded(), "category", "categories") +
        u" that the profile does not.\n\nMerge them into the profile now? (No keeps the copies for later.)";
    if (showMessage(question) != MessageAnswer::Yes || !session_.loggedOn()) return;
    platform::ShowBusyPointer();
    const MergeResult merged = store_->edits().mergeConflictCopies(merge);
    platform::ShowIdlePointer();
    const SaveResult save = answered(merged.save);
    carryOut(save.report);
    if (!save.saved() || !session_.loggedOn()) return;
    setStatusText(QString::fromStdU16String(
        u"Merged " + CountedText(merged.merged.size(), "conflict copy", "conflict copies") + u": added " +
        CountedText(merged.entriesAdded, "entry", "entries") + u" and " +
        CountedText(merged.categoriesAdded, "category", "categories") + u"."));
}

// A "Timer" setting over 0 turns auto-lock on after that many minutes (store/auto_lock.h); the
// setup view shows it without marking anything unsaved.
void MainWindow::applyTimerSetting() {
    std::u16string value;
    if (!store_->folder().readSetting(kSettingTimer, value)) {
        return;
    }
    const std::optional<int> minutes = AutoLockMinutes(value);
    if (!minutes) {
        return;
    }
    idleLock_->setMinutes(*minutes);
    idleLock_->setOn(true);
    setupFrame_->showAutoLock(true, idleLock_->minutes());
}

}  // namespace keyloft
