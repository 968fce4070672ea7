// The main window as the store's host: its messages and waits, carrying out what the store
// reports, and the answers to the questions the store leaves to the window.

#include <cstdlib>
#include <optional>
#include <utility>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QStatusBar>

#include "app/main_window.h"
#include "platform/qt_dialogs.h"
#include "store/profile_store.h"

namespace keyloft {

MessageAnswer MainWindow::showMessage(const MessageRequest& request) {
    return windowDialogs_.showMessage(request);
}

void MainWindow::waitMilliseconds(int milliseconds) {
    const QScopedValueRollback<int> storeCall(storeCallsRunning_, storeCallsRunning_ + 1);
    if (services_.wait) {
        services_.wait(milliseconds);
    } else {
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < milliseconds) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents,
                                            static_cast<int>(milliseconds - elapsed.elapsed()));
        }
    }
}

void MainWindow::closeMainWindow() {
    // The store closes the window after a failure it has already reported: no question first.
    session_.setDirty(false);
    close();
}

void MainWindow::endProgramNow() {
    clipboard_->clearIfOwn();
    if (services_.endProgram) {
        services_.endProgram();
        return;
    }
    std::_Exit(EXIT_FAILURE);
}

void MainWindow::carryOut(const StoreReport& report) {
    for (const MessageRequest& message : report.messages) {
        showMessage(message);
    }
    if (report.clearDirty) {
        setDirty(false);
    }
    if (report.lockSession) {
        lockSession();
    }
    if (report.endProgram) {
        endProgramNow();
    } else if (report.closeWindow) {
        closeMainWindow();
    }
}

SaveOutcome MainWindow::carryOutSave(const SaveResult& result) {
    // An edit that resumes after a lock finds the profile forgotten and writes nothing; to a page
    // this is as a lock-out, which leaves it nothing to show.
    if (!session_.loggedOn()) return SaveOutcome::ConflictLockedOut;
    const SaveResult done = answered(result);
    carryOut(done.report);
    return done.outcome;
}

// "Profiles Missing": Yes makes the application folder the database folder.
std::vector<std::u16string> MainWindow::listProfiles() {
    ProfileList list = store_->folder().listProfiles();
    if (list.question && showMessage(*list.question) == MessageAnswer::Yes)
        return store_->folder().useApplicationFolder();
    return std::move(list.names);
}

void MainWindow::askFolderQuestion(const std::optional<MessageRequest>& question) {
    if (question && showMessage(*question) == MessageAnswer::Yes)
        (void)store_->folder().useApplicationFolder();
}

// A file that is no longer sealed, or went back, is opened only when the user says so.
OpenResult MainWindow::answered(OpenResult result) {
    while (result.outcome == OpenOutcome::NeedsAnswer && result.question) {
        result = store_->open().answerReplacedFile(showMessage(*result.question) == MessageAnswer::Yes);
    }
    return result;
}

SaveResult MainWindow::answered(SaveResult result) {
    while (result.outcome == SaveOutcome::NeedsAnswer && result.question) {
        result = store_->open().answerReplacedSave(showMessage(*result.question) == MessageAnswer::Yes);
    }
    return result;
}

bool MainWindow::confirmDiscardChanges() { return ConfirmDiscardChanges(windowDialogs_); }

void MainWindow::setStatusText(const QString& text) { statusBar_->showMessage(text); }

}  // namespace keyloft
