// The logon step of the main window. A profile in the usual form is checked at once; a sealed one
// makes its key with Argon2id (about a second) on a thread of its own, while the window goes on
// repainting and shows that it is busy. A sealed save makes its keys the same way.
#include <QEventLoop>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QThread>
#include <memory>
#include <optional>

#include "app/logon_view.h"
#include "app/main_window.h"
#include "app/profile_view.h"
#include "platform/qt_dialogs.h"
#include "store/profile_store.h"
#include "store/sealed_unlock.h"

namespace keyloft {

void MainWindow::onLogonClicked() {
    if (logonThread_ != nullptr) return;  // one logon at a time
    const bool withAnswers = logonView_->questionsShown();
    // The thread and the window share it, so neither depends on the other's lifetime; what was
    // typed and the key are wiped when the last of them lets go.
    const std::shared_ptr<SealedUnlock> unlock =
        withAnswers ? SealedUnlock::prepare(store_->open(), logonView_->typedAnswers())
                    : SealedUnlock::prepare(store_->open(), logonView_->typedDetails());
    if (!unlock) {
        finishLogon(withAnswers ? store_->open().logOnWithAnswers(logonView_->typedAnswers())
                                : store_->open().logOn(logonView_->typedDetails()));
        return;
    }
    const std::uint64_t session = session_.number();
    const std::u16string profile = store_->open().profileName();

    logonThread_ = QThread::create([unlock] { unlock->derive(); });
    logonThread_->setParent(this);
    showLogonBusy(true);
    connect(logonThread_, &QThread::finished, this, [this, unlock, session, profile] {
        logonThread_->deleteLater();
        logonThread_ = nullptr;
        showLogonBusy(false);
        // Locked meanwhile, or another profile chosen: what the thread found is dropped.
        if (session_.number() != session || !store_->open().loaded() ||
            store_->open().profileName() != profile)
            return;
        if (!unlock->refused()) {
            // The file was let go while the key was made: it is opened again, and what a colleague
            // saved meanwhile is what the key opens (or the details are tried on).
            platform::ShowBusyPointer();
            const OpenResult again = answered(store_->open().openProfile(profile));
            platform::ShowIdlePointer();
            carryOut(again.report);
            if (!again.loaded()) {
                if (!isHidden()) showScreen(Screen::Profile);
                return;
            }
        }
        finishLogon(unlock->refused() ? LogonOutcome::Incorrect : unlock->finish(store_->open()));
        // The boxes were off while the key was made: the first one takes the focus again.
        if (!session_.loggedOn() && shownScreen() == Screen::Logon) logonView_->focusFirstBox();
    });
    logonThread_->start();
}

void MainWindow::showLogonBusy(bool busy) {
    logonView_->setEnabled(!busy);
    if (busy) {
        platform::ShowBusyPointer();
    } else {
        platform::ShowIdlePointer();
    }
    showBusyBar(busy, QStringLiteral("Opening the sealed profile..."));
    if (!busy) statusBar_->clearMessage();
}

void MainWindow::showBusyBar(bool busy, const QString& text) {
    logonBusy_->setVisible(busy);
    if (busy) {
        statusBeforeBusy_ = statusBar_->currentMessage();
        statusBar_->showMessage(text);
    } else {
        statusBar_->showMessage(statusBeforeBusy_);
    }
}

// The keys of a sealed save: the store waits here while Argon2id runs on a thread of its own. Window
// events go on (painting, timers; a lock waits for the store), input is held back until the end.
void MainWindow::runLongWork(const std::function<void()>& work) {
    const QScopedValueRollback<int> storeCall(storeCallsRunning_, storeCallsRunning_ + 1);
    showBusyBar(true, QStringLiteral("Sealing the profile..."));
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create(work));
    connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    showBusyBar(false, QString());
}

void MainWindow::finishLogon(LogonOutcome outcome) {
    if (outcome == LogonOutcome::Damaged) {
        // Nothing of the file is shown: back to the choice of profile.
        platform::ShowIdlePointer();
        logonView_->setUp(0);
        screens_->setCurrentIndex(static_cast<int>(Screen::Empty));
        MessageRequest request;
        request.text = kProfileDamagedMessage;
        showMessage(request);
        showScreen(Screen::Profile);
        return;
    }
    session_.setLoggedOn(outcome == LogonOutcome::LoggedOn);
    if (!session_.loggedOn()) {
        platform::ShowIdlePointer();
        MessageRequest request;
        request.text = kDetailsIncorrectText;
        showMessage(request);
        return;
    }
    session_.setLogonStatus(QStringLiteral("You are logged into ") + profileView_->chosenProfile() +
                            QStringLiteral(" profile!"));
    // Said once, at logon: later status texts show the logon status alone.
    QString status = session_.logonStatus();
    if (!store_->open().sealed()) status += QString::fromStdU16String(kReadableFileStatusText);
    setStatusText(status);
    applyTimerSetting();
    applyLockSettings();
    showScreen(Screen::Empty);
    offerConflictMerge();
}

}  // namespace keyloft
