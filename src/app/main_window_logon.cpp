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
#include "store/sealed_profile.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

// What the thread of a sealed logon works on: a copy of the file, the typed values and the key it
// finds. The thread and the window share it, so neither depends on the other's lifetime; the typed
// values and the key are wiped when the last of them lets go.
struct SealedLogonWork {
    sealed::SealedFile file;
    bool withAnswers = false;
    sealed::LogonValues typed;
    std::vector<std::u16string> answers;
    sealed::Key dataKey;
    sealed::Unwrap result = sealed::Unwrap::NoSlot;

    ~SealedLogonWork() {
        for (std::u16string* text : {&typed.userId, &typed.password, &typed.pin}) Wipe(*text);
        Wipe(answers);
    }
};

}  // namespace

void MainWindow::onLogonClicked() {
    if (logonThread_ != nullptr) return;  // one logon at a time
    std::optional<sealed::SealedFile> file = store_->open().loadedSealedFile();
    if (!file) {
        finishLogon(logonView_->questionsShown() ? store_->open().logOnWithAnswers(logonView_->typedAnswers())
                                                 : store_->open().logOn(logonView_->typedDetails()));
        return;
    }
    auto work = std::make_shared<SealedLogonWork>();
    work->file = std::move(*file);
    work->withAnswers = logonView_->questionsShown();
    if (work->withAnswers) {
        for (const std::u16string& answer : logonView_->typedAnswers())
            work->answers.emplace_back(TrimBlanks(answer));
    } else {
        const LogonDetails typed = logonView_->typedDetails();
        work->typed = {std::u16string(TrimBlanks(typed.userId)), std::u16string(TrimBlanks(typed.password)),
                       std::u16string(TrimBlanks(typed.pin))};
    }
    const std::uint64_t session = session_.number();
    const std::u16string profile = store_->open().profileName();

    logonThread_ = QThread::create([work] {
        work->result = work->withAnswers ? sealed::UnwrapWithAnswers(work->file, work->answers, work->dataKey)
                                         : sealed::UnwrapWithLogon(work->file, work->typed, work->dataKey);
    });
    logonThread_->setParent(this);
    showLogonBusy(true);
    connect(logonThread_, &QThread::finished, this, [this, work, session, profile] {
        logonThread_->deleteLater();
        logonThread_ = nullptr;
        showLogonBusy(false);
        // Locked meanwhile, or another profile chosen: what the thread found is dropped.
        if (session_.number() != session || !store_->open().loaded() || store_->open().profileName() != profile) return;
        const sealed::LogonValues* known = work->withAnswers ? nullptr : &work->typed;
        finishLogon(work->result == sealed::Unwrap::Opened ? store_->open().logOnWithKey(work->dataKey, known)
                                                           : LogonOutcome::Incorrect);
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
