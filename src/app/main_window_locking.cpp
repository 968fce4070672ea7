// Opening a session, Lock, auto-lock and the auto-lock controls.
#include <QCoreApplication>

#include "app/idle_lock.h"
#include "app/logon_view.h"
#include "app/main_window.h"
#include "app/profile_view.h"
#include "store/profile_store.h"

namespace keyloft {

void MainWindow::openSession() {
    session_.setOpen(true);
    welcome_->stop();
    // Profiles added to the folder meanwhile are listed too.
    refillProfileList();
    showScreen(Screen::Profile);
    idleLock_->resume();
}

void MainWindow::lock() {
    if (session_.isDirty() && !confirmDiscardChanges()) {
        // The session stays open: the button stays pressed.
        updateActions();
        return;
    }
    lockSession();
}

void MainWindow::lockSession() {
    profileView_->clearTypedName();
    endSession();
}

void MainWindow::autoLock() {
    if (inBlockingWait_) {
        return;
    }
    endSession();
    idleLock_->pause();
}

// What Lock and auto-lock share: the welcome screen, nothing of the profile left in any view,
// logged off, nothing unsaved, the profile file let go, the welcome animation playing.
void MainWindow::endSession() {
    session_.setOpen(false);
    logonView_->setUp(store_->profile().logonMode);
    profileView_->setAdding(false);
    showScreen(Screen::Welcome);
    forgetProfileInViews();
    processEvents();
    session_.setLoggedOn(false);
    store_->forget();
    setStatusText(QString());
    setDirty(false);
    // The picture file that is there now: a copy put into the database folder or taken away
    // since is loaded, the same one goes on.
    welcome_->loadAndStart(welcomePicturePath());
}

void MainWindow::forgetProfileInViews() {
    if (popup_->isPopupVisible()) popup_->closePopup();
    for (Page* page : {passwordsPage_, categoryPage_, setupPage_}) {
        if (page != nullptr) page->forgetProfile();
    }
    setStatusText(QString());
}

void MainWindow::onAutoLockToggled(bool on) {
    setDirty(true);
    idleLock_->setOn(on);
}

void MainWindow::onAutoLockMinutesChanged(int minutes) {
    idleLock_->setMinutes(minutes);
    setDirty(true);
}

}  // namespace keyloft
