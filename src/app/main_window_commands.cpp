// The commands of both toolbars, one per action. The record commands act on the profile choice
// themselves and hand everything else to the page that is shown. Show, Generate and Print belong
// to the passwords page and are connected to it where the window is put together.
#include <QAction>
#include <QComboBox>

#include "app/idle_lock.h"
#include "app/main_window.h"
#include "app/profile_view.h"
#include "platform/qt_dialogs.h"
#include "store/profile_store.h"

namespace keyloft {

void MainWindow::connectCommands() {
    const MainActions& a = toolbars_.actions;
    connect(a.lock, &QAction::triggered, this, &MainWindow::lockCommand);
    connect(a.passwords, &QAction::triggered, this, &MainWindow::passwordsCommand);
    connect(a.setup, &QAction::triggered, this, &MainWindow::setupCommand);
    connect(a.add, &QAction::triggered, this, &MainWindow::addCommand);
    connect(a.remove, &QAction::triggered, this, &MainWindow::deleteCommand);
    connect(a.save, &QAction::triggered, this, &MainWindow::saveCommand);
    connect(a.cancel, &QAction::triggered, this, &MainWindow::cancelCommand);
    connect(a.filter, &QAction::triggered, this, &MainWindow::filterCommand);
    connect(a.importFile, &QAction::triggered, this, &MainWindow::importCommand);
}

// The first button unlocks while the window is locked and locks while a session is open.
void MainWindow::lockCommand() {
    if (session_.isOpen()) {
        lockFrom(LockTrigger::Command);
    } else {
        openSession();
    }
}

void MainWindow::passwordsCommand() {
    if (!guardedSwitch()) {
        return;
    }
    showScreen(Screen::Passwords);
    if (passwordsPage_ != nullptr) passwordsPage_->refresh();
}

void MainWindow::setupCommand() {
    if (!guardedSwitch()) {
        return;
    }
    showScreen(Screen::Setup);
    if (setupPage_ != nullptr) setupPage_->refresh();
}

// Unsaved changes are dropped only when the user says so; otherwise the shown screen and its
// pressed button stay.
bool MainWindow::guardedSwitch() {
    if (session_.isDirty()) {
        if (!confirmDiscardChanges()) {
            updateActions();
            return false;
        }
        session_.setDirty(false);
    }
    return true;
}

void MainWindow::addCommand() {
    if (shownScreen() == Screen::Profile) {
        profileSaveShown_ = true;
        commandsOn_.remove = false;
        commandsOn_.save = commandsOn_.cancel = true;
        updateActions();
        profileView_->setAdding(true);
    } else if (Page* page = shownPage()) {
        page->add();
    }
}

void MainWindow::deleteCommand() {
    MessageRequest question;
    question.text = kDeleteEntryText;
    question.title = kDeleteEntryTitle;
    question.icon = MessageIcon::Question;
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::No;
    if (showMessage(question) != MessageAnswer::Yes) {
        return;
    }
    if (shownScreen() == Screen::Profile) {
        const std::u16string name = profileView_->chosenProfile().toStdU16String();
        DeleteResult deleted = store_->folder().deleteProfile(name);
        if (deleted.question && showMessage(*deleted.question) == MessageAnswer::Yes) {
            deleted = store_->folder().deleteProfile(name, DeleteConfirmation::Confirmed);
        }
        askFolderQuestion(deleted.folderQuestion);
        carryOut(deleted.report);
        if (deleted.outcome == DeleteOutcome::Failed && deleted.error.inUse) {
            MessageRequest told;
            told.text = ProfileInUseMessage(name);
            showMessage(told);
        }
        refillProfileList();
    } else if (Page* page = shownPage()) {
        platform::ShowBusyPointer();
        page->remove();
        platform::ShowIdlePointer();
    }
}

void MainWindow::saveCommand() {
    const Screen screen = shownScreen();
    if (screen == Screen::Profile) {
        saveProfileName();
        return;
    }
    if (screen != Screen::Setup && screen != Screen::Category && screen != Screen::Passwords) {
        return;
    }
    // A screen without a page has nothing to refuse.
    Page* page = shownPage();
    platform::ShowBusyPointer();
    const bool stored = page == nullptr || page->save();
    platform::ShowIdlePointer();
    // A conflict found by the save may have locked the session inside the store: then nothing is
    // shown or written any more.
    if (!session_.loggedOn()) {
        return;
    }
    if (screen == Screen::Setup) {
        if (!stored) {
            return;
        }
        const QString minutes =
            idleLock_->isOn() ? QString::number(idleLock_->minutes()) : QStringLiteral("0");
        store_->folder().writeSetting(kSettingTimer, minutes.toStdU16String());
        lockOptions_.write(*store_);
        commandsOn_.save = commandsOn_.cancel = false;
        updateActions();
    } else if (screen == Screen::Category) {
        // Stored or refused, the list is shown afresh.
        showScreenAgain();
    } else if (stored) {
        // The passwords page shown afresh chooses the stored entry.
        showScreen(Screen::Passwords);
    } else {
        // A refused entry keeps its edits marked unsaved and Save usable, so a later view switch
        // still asks before dropping them.
        return;
    }
    session_.setDirty(false);
}

// Save in the profile choice creates the profile named in the name box.
void MainWindow::saveProfileName() {
    const QString name = profileView_->typedName();
    platform::ShowBusyPointer();
    const CreateResult result = store_->open().createProfile(name.toStdU16String());
    askFolderQuestion(result.folderQuestion);
    platform::ShowIdlePointer();
    carryOut(result.report);
    if (result.outcome == CreateOutcome::SaveFailed) {
        // The folder may be gone: settle it again, as at start.
        fillProfileList(listProfiles());
    }
    if (!result) {
        // The refusal was shown: the box keeps the typed name for correcting it.
        profileView_->selectTypedName();
        return;
    }
    profileView_->clearTypedName();
    refillProfileList(name);
    profileView_->setAdding(false);
    commandsOn_.add = commandsOn_.remove = true;
    commandsOn_.save = commandsOn_.cancel = false;
    updateActions();
    MessageRequest told;
    told.text = kProfileCreatedText;
    told.icon = MessageIcon::Information;
    showMessage(told);
    profileView_->focusContinue();
}

void MainWindow::cancelCommand() {
    switch (shownScreen()) {
        case Screen::Profile:
            profileView_->setAdding(false);
            commandsOn_.remove = true;
            commandsOn_.save = commandsOn_.cancel = false;
            showScreen(Screen::Profile);
            break;
        case Screen::Setup:
            showScreen(Screen::Setup);
            break;
        case Screen::Category:
        case Screen::Passwords:
            showScreenAgain();
            break;
        default:
            break;
    }
    if (Page* page = shownPage()) {
        page->cancel();
    }
    session_.setDirty(false);
}

// Pressed, the filter box takes the focus, so that its key leads straight to choosing a category.
void MainWindow::filterCommand(bool pressed) {
    if (pressed) {
        filterBox_->setEnabled(true);
        filterBox_->setFocus(Qt::ShortcutFocusReason);
    } else {
        if (filterBox_->count() > 0) {
            filterBox_->setCurrentIndex(0);
        }
        filterBox_->setEnabled(false);
    }
}

}  // namespace keyloft
