// The commands of both toolbars, one per action. The record commands act on the profile choice
// themselves and hand everything else to the page that is shown. Show, Generate and Print belong
// to the passwords page and are connected to it where the window is put together.
#include <QAction>
#include <QCheckBox>
#include <QSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolBar>

#include "app/about_view.h"
#include "app/main_window.h"
#include "app/profile_view.h"
#include "app/setup_frame.h"
#include "store/profile_store.h"

namespace keyloft {

void MainWindow::connectCommands() {
    connect(toolbars.button(QStringLiteral("Unlock")), &QAction::triggered, this, [this] {
        if (sessionOpen_) {
            Lock();
        } else {
            openSession();
        }
    });
    connect(toolbars.button(QStringLiteral("Passwords")), &QAction::triggered, this, &MainWindow::passwordsCommand);
    connect(toolbars.button(QStringLiteral("Setup")), &QAction::triggered, this, &MainWindow::setupCommand);
    connect(toolbars.button(QStringLiteral("Add")), &QAction::triggered, this, &MainWindow::addCommand);
    connect(toolbars.button(QStringLiteral("Delete")), &QAction::triggered, this, &MainWindow::deleteCommand);
    connect(toolbars.button(QStringLiteral("Save")), &QAction::triggered, this, &MainWindow::saveCommand);
    connect(toolbars.button(QStringLiteral("Cancel")), &QAction::triggered, this, &MainWindow::cancelCommand);
    connect(toolbars.button(QStringLiteral("Filter")), &QAction::triggered, this, &MainWindow::filterCommand);
}

void MainWindow::passwordsCommand() {
    QAction* button = toolbars.button(QStringLiteral("Passwords"));
    if (!guardedSwitch(button)) {
        return;
    }
    ShowSetup(false);
    toolbars.button(QStringLiteral("Setup"))->setChecked(false);
    button->setChecked(true);
    Toolbar2->show();
    fraAbout->hide();
    ShowCategory(false);
    ShowSetup(false);
    ShowPasswords(true);
    if (passwordsPage_ != nullptr) passwordsPage_->refresh();
}

void MainWindow::setupCommand() {
    QAction* button = toolbars.button(QStringLiteral("Setup"));
    if (!guardedSwitch(button)) {
        return;
    }
    ShowPasswords(false);
    ShowCategory(false);
    fraAbout->hide();
    toolbars.button(QStringLiteral("Passwords"))->setChecked(false);
    button->setChecked(true);
    Toolbar2->show();
    ShowSetup(true);
    if (setupPage_ != nullptr) setupPage_->refresh();
}

bool MainWindow::guardedSwitch(QAction* clicked) {
    if (session_->isDirty()) {
        if (!ConfirmDiscardChanges()) {
            clicked->setChecked(false);
            return false;
        }
        session_->setDirty(false);
    }
    return true;
}

void MainWindow::addCommand() {
    if (isShown(fraProfile)) {
        fraProfile->txtFileName->clear();
        fraProfile->showNameBox(true);
        fraProfile->cmdNext->show();
        fraProfile->cmdNext->setEnabled(false);
        fraProfile->cmdDatabase->setEnabled(false);
        toolbars.button(QStringLiteral("Delete"))->setEnabled(false);
        for (const char* key : {"Save", "Cancel"}) {
            toolbars.button(QString::fromLatin1(key))->setVisible(true);
            toolbars.button(QString::fromLatin1(key))->setEnabled(true);
        }
        fraProfile->txtFileName->setFocus();
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
    if (isShown(fraProfile)) {
        const std::u16string name = fraProfile->chosenProfile().toStdU16String();
        const DeleteResult deleted = store_->DeleteProfile(name);
        carryOut(deleted.report);
        if (deleted.outcome == DeleteOutcome::Failed && deleted.error.inUse) {
            MessageRequest told;
            told.text = ProfileInUseMessage(name);
            showMessage(told);
        }
        refillProfileList();
    } else if (Page* page = shownPage()) {
        ShowBusyPointer();
        page->remove();
        ShowIdlePointer();
    }
}

void MainWindow::saveCommand() {
    if (isShown(fraProfile)) {
        const QString name = fraProfile->txtFileName->text();
        ShowBusyPointer();
        const CreateResult result = store_->CreateProfile(name.toStdU16String());
        ShowIdlePointer();
        carryOut(result.report);
        const bool created = static_cast<bool>(result);
        if (result.outcome == CreateOutcome::SaveFailed) {
            // The folder may be gone: settle it again, as at start.
            fillProfileList(store_->ListProfiles());
        }
        if (!created) {
            // The refusal was shown: the box keeps the typed name for correcting it.
            fraProfile->txtFileName->setFocus();
            fraProfile->txtFileName->selectAll();
            return;
        }
        fraProfile->txtFileName->clear();
        refillProfileList(name);
        fraProfile->showNameBox(false);
        toolbars.button(QStringLiteral("Add"))->setEnabled(true);
        toolbars.button(QStringLiteral("Delete"))->setEnabled(true);
        toolbars.button(QStringLiteral("Save"))->setEnabled(false);
        toolbars.button(QStringLiteral("Cancel"))->setEnabled(false);
        fraProfile->cmdNext->show();
        fraProfile->cmdNext->setEnabled(true);
        fraProfile->cmdDatabase->setEnabled(true);
        MessageRequest told;
        told.text = kProfileCreatedText;
        told.icon = MessageIcon::Information;
        showMessage(told);
        fraProfile->cmdNext->setFocus();
        return;
    }
    const bool inSetup = isShown(fraSecurityOptions);
    const bool inCategories = !inSetup && isShown(fraCategory);
    if (!inSetup && !inCategories && !isShown(fraPasswords)) {
        return;
    }
    // A frame without a page has nothing to refuse.
    Page* page = shownPage();
    ShowBusyPointer();
    const bool stored = page == nullptr || page->save();
    ShowIdlePointer();
    // A conflict found by the save may have locked the session inside the store: then nothing is
    // shown or written any more.
    if (!session_->loggedOn()) {
        return;
    }
    if (inSetup) {
        if (!stored) {
            return;
        }
        const bool autoLock = fraSecurityOptions->chkTimeout->isChecked();
        const QString minutes = autoLock ? QString::number(fraSecurityOptions->slTimer->value()) : QStringLiteral("0");
        store_->WriteSetting(kSettingTimer, minutes.toStdU16String());
        toolbars.button(QStringLiteral("Save"))->setEnabled(false);
        toolbars.button(QStringLiteral("Cancel"))->setEnabled(false);
    } else if (inCategories) {
        // Stored or refused, the list is shown afresh.
        ShowCategory(false);
        ShowCategory(true);
    } else if (stored) {
        // The passwords page shown afresh chooses the stored entry.
        ShowPasswords(true);
    } else {
        // A refused entry keeps its edits marked unsaved and Save usable, so a later view switch
        // still asks before dropping them.
        return;
    }
    session_->setDirty(false);
}

void MainWindow::cancelCommand() {
    if (isShown(fraProfile)) {
        fraProfile->showNameBox(false);
        fraProfile->cmdNext->show();
        fraProfile->cmdNext->setEnabled(true);
        toolbars.button(QStringLiteral("Delete"))->setEnabled(true);
        toolbars.button(QStringLiteral("Save"))->setEnabled(false);
        toolbars.button(QStringLiteral("Cancel"))->setEnabled(false);
        ShowProfile(true);
    }
    if (isShown(fraSecurityOptions)) {
        ShowSetup(true);
    }
    if (isShown(fraCategory)) {
        ShowCategory(false);
        ShowCategory(true);
    }
    if (isShown(fraPasswords)) {
        ShowPasswords(false);
        ShowPasswords(true);
    }
    if (Page* page = shownPage()) {
        page->cancel();
    }
    session_->setDirty(false);
}

Page* MainWindow::shownPage() const {
    if (isShown(fraSecurityOptions)) return setupPage_;
    if (isShown(fraCategory)) return categoryPage_;
    if (isShown(fraPasswords)) return passwordsPage_;
    return nullptr;
}

void MainWindow::applyCommands(const CommandStates& states) {
    const auto apply = [this](const char* key, const std::optional<bool>& on) {
        if (on) toolbars.button(QString::fromLatin1(key))->setEnabled(*on);
    };
    apply("Add", states.add);
    apply("Delete", states.remove);
    apply("Save", states.save);
    apply("Cancel", states.cancel);
    apply("Show", states.show);
    apply("Generate", states.generate);
    apply("Print", states.print);
    if (states.filterPressed) {
        QAction* filter = toolbars.button(QStringLiteral("Filter"));
        const QSignalBlocker blocker(filter);
        filter->setChecked(*states.filterPressed);
    }
}

void MainWindow::filterCommand(bool pressed) {
    if (pressed) {
        cboFilter->setEnabled(true);
    } else {
        if (cboFilter->count() > 0) {
            cboFilter->setCurrentIndex(0);
        }
        cboFilter->setEnabled(false);
    }
}

}  // namespace keyloft
