// Opening a session, Lock, auto-lock and the auto-lock controls.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolBar>

#include "app/about_view.h"
#include "app/main_window.h"
#include "app/logon_view.h"
#include "app/main_toolbars.h"
#include "app/profile_view.h"
#include "app/setup_frame.h"
#include "store/profile_store.h"

namespace keyloft {

void MainWindow::openSession() {
    sessionOpen_ = true;
    QAction* first = toolbars.button(QStringLiteral("Unlock"));
    first->setText(QStringLiteral("Lock"));
    first->setChecked(true);
    first->setIcon(ToolbarPicture(QStringLiteral("Lock")));
    welcome_->stop();
    welcomeView->hide();
    Toolbar2->show();
    // Profiles added to the folder meanwhile are listed too.
    refillProfileList();
    ShowProfile(true);
    if (fraSecurityOptions->chkTimeout->isChecked()) {
        tmrLock->start();
    }
}

void MainWindow::releaseSessionButtons() {
    sessionOpen_ = false;
    QAction* first = toolbars.button(QStringLiteral("Unlock"));
    first->setText(QStringLiteral("Unlock"));
    first->setChecked(false);
    QAction* setup = toolbars.button(QStringLiteral("Setup"));
    QAction* passwords = toolbars.button(QStringLiteral("Passwords"));
    setup->setChecked(false);
    passwords->setChecked(false);
    first->setIcon(ToolbarPicture(QStringLiteral("Unlock")));
    setup->setEnabled(false);
    passwords->setEnabled(false);
}

void MainWindow::forgetProfileInViews() {
    if (popup_->isPopupVisible()) popup_->closePopup();
    for (Page* page : {passwordsPage_, categoryPage_, setupPage_}) {
        if (page != nullptr) page->forgetProfile();
    }
    setStatusText(QString());
}

void MainWindow::hideEveryView() {
    ShowPasswords(false);
    ShowSetup(false);
    ShowProfile(false);
    ShowCategory(false);
    fraLogin->setUp(false, store_->profile().logonMode);
    fraAbout->hide();
    fraProfile->showNameBox(false);
    fraProfile->cmdNext->setEnabled(true);
    forgetProfileInViews();
}

void MainWindow::Lock() {
    if (session_->isDirty() && !ConfirmDiscardChanges()) {
        // The session stays open: the button stays pressed.
        toolbars.button(QStringLiteral("Unlock"))->setChecked(true);
        return;
    }
    lockSession();
}

void MainWindow::resetSession() {
    session_->setLoggedOn(false);
    store_->profile().logonMode = 0;
    setStatusText(QString());
    SetDirty(false);
    if (store_->holdsFile()) {
        store_->CloseHeldFile();
    }
    // The picture file that is there now: a copy put into the database folder or taken away
    // since is loaded, the same one goes on.
    welcome_->loadAndStart(welcomePicturePath());
    welcomeView->show();
}

void MainWindow::tmrLock_Timer() {
    if (inBlockingWait_) {
        return;
    }
    if (!session_->idleFor(fraSecurityOptions->slTimer->value())) {
        return;
    }
    releaseSessionButtons();
    hideEveryView();
    processEvents();
    resetSession();
    Toolbar2->hide();
    tmrLock->stop();
}

void MainWindow::chkTimeout_Click() {
    if (!fillGuard_) {
        SetDirty(true);
    }
    fraSecurityOptions->showAutoLockState();
    if (fraSecurityOptions->chkTimeout->isChecked()) {
        tmrLock->start();
    } else {
        tmrLock->stop();
    }
}

void MainWindow::slTimer_Change() {
    fraSecurityOptions->showAutoLockState();
    if (!fillGuard_) {
        SetDirty(true);
    }
}

}  // namespace keyloft
