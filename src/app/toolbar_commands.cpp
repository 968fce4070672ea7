// The commands of both toolbars, one per action. Each record command looks at the view that is
// shown and calls the operation that belongs to that view.
#include <QAction>
#include <QCheckBox>
#include <QSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>

#include "app/about_view.h"
#include "app/frm_new_main.h"
#include "app/profile_view.h"
#include "app/setup_frame.h"
#include "store/profile_store.h"

namespace keyloft {

void frmNewMain::connectCommands() {
    connect(toolbars.button(QStringLiteral("Unlock")), &QAction::triggered, this, [this] {
        if (sessionOpen_) {
            Lock();
        } else {
            openSession();
        }
    });
    connect(toolbars.button(QStringLiteral("Passwords")), &QAction::triggered, this, &frmNewMain::passwordsCommand);
    connect(toolbars.button(QStringLiteral("Setup")), &QAction::triggered, this, &frmNewMain::setupCommand);
    connect(toolbars.button(QStringLiteral("Show")), &QAction::triggered, this,
            [this] { passwordsView_->ShowSelectedEntry(); });
    connect(toolbars.button(QStringLiteral("Generate")), &QAction::triggered, this,
            [this] { passwordsView_->GenerateIntoEditor(); });
    connect(toolbars.button(QStringLiteral("Print")), &QAction::triggered, this,
            [this] { passwordsView_->PrintMasterList(); });
    connect(toolbars.button(QStringLiteral("Add")), &QAction::triggered, this, &frmNewMain::addCommand);
    connect(toolbars.button(QStringLiteral("Delete")), &QAction::triggered, this, &frmNewMain::deleteCommand);
    connect(toolbars.button(QStringLiteral("Save")), &QAction::triggered, this, &frmNewMain::saveCommand);
    connect(toolbars.button(QStringLiteral("Cancel")), &QAction::triggered, this, &frmNewMain::cancelCommand);
    connect(toolbars.button(QStringLiteral("Filter")), &QAction::triggered, this, &frmNewMain::filterCommand);
}

void frmNewMain::passwordsCommand() {
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
    passwordsView_->RefreshEntryLists();
}

void frmNewMain::setupCommand() {
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
    fillSetupView();
}

bool frmNewMain::guardedSwitch(QAction* clicked) {
    if (session_->isDirty()) {
        if (!ConfirmDiscardChanges()) {
            clicked->setChecked(false);
            return false;
        }
        session_->setDirty(false);
    }
    return true;
}

void frmNewMain::addCommand() {
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
    } else if (isShown(fraCategory)) {
        toolbars.button(QStringLiteral("Delete"))->setEnabled(false);
        categoryView_->beginNewCategory();
    } else if (isShown(fraPasswords)) {
        const FillGuard guard(*this);
        passwordsView_->ClearEntryEditor();
        toolbars.button(QStringLiteral("Delete"))->setEnabled(false);
        toolbars.button(QStringLiteral("Generate"))->setEnabled(true);
        toolbars.button(QStringLiteral("Cancel"))->setEnabled(true);
        passwordsView_->beginNewEntry();
    }
}

void frmNewMain::deleteCommand() {
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
    }
    if (isShown(fraCategory)) {
        categoryView_->DeleteCategory();
    }
    if (isShown(fraPasswords)) {
        ShowBusyPointer();
        passwordsView_->DeleteEntry();
        ShowIdlePointer();
    }
}

void frmNewMain::saveCommand() {
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
    // A conflict found by the save may lock the session inside the store: then nothing is shown
    // or written any more.
    const int locksBefore = locks_;
    const auto lockedMeanwhile = [this, locksBefore] { return locks_ != locksBefore; };
    if (isShown(fraSecurityOptions)) {
        if (!setupView_->SaveSecurityOptions() || lockedMeanwhile()) {
            return;
        }
        const bool autoLock = fraSecurityOptions->chkTimeout->isChecked();
        const QString minutes = autoLock ? QString::number(fraSecurityOptions->slTimer->value()) : QStringLiteral("0");
        store_->WriteSetting(kSettingTimer, minutes.toStdU16String());
        toolbars.button(QStringLiteral("Save"))->setEnabled(false);
        toolbars.button(QStringLiteral("Cancel"))->setEnabled(false);
    }
    if (isShown(fraCategory)) {
        ShowBusyPointer();
        categoryView_->SaveCategory();
        if (lockedMeanwhile()) {
            ShowIdlePointer();
            return;
        }
        ShowCategory(false);
        ShowCategory(true);
        categoryView_->FillCategoryList();
        ShowIdlePointer();
    }
    if (isShown(fraPasswords)) {
        ShowBusyPointer();
        const bool stored = passwordsView_->SaveEntry();
        if (lockedMeanwhile()) {
            ShowIdlePointer();
            return;
        }
        if (stored) {
            ShowPasswords(true);
            passwordsView_->SelectSavedEntry();
        }
        ShowIdlePointer();
        if (!stored) {
            // A refused entry keeps its edits marked unsaved and Save usable, so a later view
            // switch still asks before dropping them.
            return;
        }
    }
    session_->setDirty(false);
}

void frmNewMain::cancelCommand() {
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
        fillSetupView();
    }
    if (isShown(fraCategory)) {
        ShowCategory(false);
        ShowCategory(true);
        categoryView_->FillCategoryList();
    }
    if (isShown(fraPasswords)) {
        ShowPasswords(false);
        ShowPasswords(true);
        passwordsView_->RefreshEntryLists();
    }
    session_->setDirty(false);
}

void frmNewMain::filterCommand(bool pressed) {
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
