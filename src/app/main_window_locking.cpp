// Opening a session, Lock of every kind, auto-lock and the lock settings of the setup view.
#include <QCoreApplication>
#include <QScopedValueRollback>
#include <QTimer>

#include "app/clearing_clipboard.h"
#include "app/idle_lock.h"
#include "app/logon_view.h"
#include "app/main_window.h"
#include "app/profile_view.h"
#include "app/setup_frame.h"
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

void MainWindow::lockFrom(LockTrigger trigger) {
    switch (trigger) {
        case LockTrigger::Command:
            if (session_.isOpen()) lock();
            return;
        case LockTrigger::Idle:
            autoLock();
            return;
        case LockTrigger::ScreenLocked:
            if (!lockOptions_.lockOnScreenLock) return;
            break;
        case LockTrigger::Minimized:
            if (!lockOptions_.lockOnMinimize) return;
            break;
    }
    // Nobody is there to answer a question: unsaved changes are dropped, as auto-lock drops them.
    if (session_.isOpen()) lockSession();
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
    endSession();
    idleLock_->pause();
}

// What every lock shares: every box closed as if cancelled, the welcome screen, nothing of the
// profile left in any view, on the clipboard or in the store, logged off, nothing unsaved, the
// welcome animation playing.
void MainWindow::endSession() {
    if (endingSession_) return;  // a lock asked for while this one lets events run
    if (storeCallsRunning_ > 0) {
        // The store is in the middle of a load or save (it lets events run, or waits to retry):
        // the lock follows as soon as the operation has returned; no box is shown meanwhile.
        if (!session_.lockPending()) {
            session_.setLockPending(true);
            QTimer::singleShot(0, this, &MainWindow::endPendingSession);
        }
        return;
    }
    const QScopedValueRollback<bool> ending(endingSession_, true);
    session_.setLockPending(false);
    // Work that waits for a box finds the number changed when the box returns, and drops what it
    // was about to do.
    session_.ended();
    services_.dialogs->closeAll();
    session_.setOpen(false);
    session_.setLoggedOn(false);
    session_.setLogonStatus(QString());
    logonView_->setUp(store_->open().profile().logonMode);
    profileView_->setAdding(false);
    showScreen(Screen::Welcome);
    forgetProfileInViews();
    clipboard_->clearIfOwn();
    clipboard_->clearSelectionIfOwn();
    QCoreApplication::processEvents();
    setStatusText(QString());
    setDirty(false);
    store_->open().forget();
    // The picture file that is there now: a copy put into the database folder or taken away
    // since is loaded, the same one goes on.
    welcome_->loadAndStart(welcomePicturePath());
}

void MainWindow::endPendingSession() {
    if (!session_.lockPending()) return;  // a lock in between has done it
    if (storeCallsRunning_ > 0) {
        QTimer::singleShot(0, this, &MainWindow::endPendingSession);
        return;
    }
    endSession();
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

void MainWindow::applyLockSettings() {
    lockOptions_ = LockOptions::read(*store_);
    clipboard_->setSeconds(lockOptions_.clearClipboardSeconds);
    setupFrame_->showLockOptions(lockOptions_);
}

// The choices take effect at once; Save in the setup view writes them.
void MainWindow::onLockOptionsChanged(const LockOptions& options) {
    lockOptions_ = options;
    clipboard_->setSeconds(options.clearClipboardSeconds);
    setDirty(true);
}

}  // namespace keyloft
