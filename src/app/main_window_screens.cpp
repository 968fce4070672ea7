// The main window's view switching, the profile choice and the logon.
#include <algorithm>
#include <cmath>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QToolBar>

#include "app/about_view.h"
#include "app/main_window.h"
#include "app/logon_view.h"
#include "app/profile_view.h"
#include "app/setup_frame.h"
#include "pages/text_rules.h"
#include "store/profile_store.h"

namespace keyloft {
namespace {

void Set(QAction* button, bool shown, bool on) {
    button->setVisible(shown);
    button->setEnabled(on);
}

}  // namespace

void MainWindow::ShowProfile(bool bol) {
    auto* setup = toolbars.button(QStringLiteral("Setup"));
    auto* passwords = toolbars.button(QStringLiteral("Passwords"));
    Set(setup, true, false);
    Set(passwords, true, false);
    Set(toolbars.button(QStringLiteral("Add")), bol, bol);
    Set(toolbars.button(QStringLiteral("Delete")), bol, bol);
    fraProfile->setVisible(bol);
    fraProfile->cmdDatabase->setEnabled(bol && !fraProfile->isAddingProfile());
    if (bol) {
        fraProfile->cmdNext->show();
        fraProfile->cmdNext->setFocus();
    }
}

void MainWindow::ShowSetup(bool bol) {
    Set(toolbars.button(QStringLiteral("Save")), bol, false);
    Set(toolbars.button(QStringLiteral("Cancel")), bol, false);
    fraSecurityOptions->setVisible(bol);
    if (setupPage_ != nullptr) setupPage_->pageShown(bol);
}

void MainWindow::ShowPasswords(bool bol) {
    if (bol) {
        Set(toolbars.button(QStringLiteral("Add")), true, true);
        Set(toolbars.button(QStringLiteral("Delete")), true, false);
        Set(toolbars.button(QStringLiteral("Save")), true, false);
        Set(toolbars.button(QStringLiteral("Cancel")), true, false);
        toolbars.button(QStringLiteral("Filter"))->setVisible(true);
        toolbars.filterSeparator->setVisible(true);
        Set(toolbars.button(QStringLiteral("Show")), true, false);
        Set(toolbars.button(QStringLiteral("Generate")), true, false);
        Set(toolbars.button(QStringLiteral("Print")), true, true);
        cboFilter->show();
        cboFilter->setEnabled(false);
        fraPasswords->show();
        fraLogin->fraQuestions->hide();
    } else {
        for (const char* key : {"Add", "Delete", "Save", "Cancel"}) {
            Set(toolbars.button(QString::fromLatin1(key)), false, false);
        }
        toolbars.button(QStringLiteral("Filter"))->setVisible(false);
        toolbars.filterSeparator->setVisible(false);
        for (const char* key : {"Show", "Generate", "Print"}) {
            Set(toolbars.button(QString::fromLatin1(key)), false, false);
        }
        cboFilter->hide();
        fraPasswords->hide();
        fraLogin->fraQuestions->hide();
    }
    if (passwordsPage_ != nullptr) passwordsPage_->pageShown(bol);
}

void MainWindow::ShowCategory(bool bol) {
    if (bol) {
        Set(toolbars.button(QStringLiteral("Add")), true, true);
        Set(toolbars.button(QStringLiteral("Delete")), true, false);
        Set(toolbars.button(QStringLiteral("Save")), true, false);
        Set(toolbars.button(QStringLiteral("Cancel")), true, false);
        fraCategory->show();
    } else {
        for (const char* key : {"Add", "Delete", "Save", "Cancel"}) {
            Set(toolbars.button(QString::fromLatin1(key)), false, false);
        }
        fraCategory->hide();
    }
    if (categoryPage_ != nullptr) categoryPage_->pageShown(bol);
}

// ---- profile choice ----

void MainWindow::cmdNext_Click() {
    for (const char* key : {"Add", "Delete", "Save", "Cancel"}) {
        toolbars.button(QString::fromLatin1(key))->setVisible(false);
    }
    const QString name = fraProfile->chosenProfile();
    if (name.isEmpty()) {
        // Nothing to open: the profile view stays, with Add to make the first profile.
        ShowProfile(true);
        fraProfile->cboProfile->setFocus();
        return;
    }
    {
        ShowBusyPointer();
        const OpenResult opened = store_->OpenProfile(name.toStdU16String());
        ShowIdlePointer();
        if (opened.outcome == OpenOutcome::InUse) {
            store_->LogError(u"ReadFromFile", ErrorNumberText(opened.error.number), opened.error.description);
        }
        carryOut(opened.report);
        if (opened.loaded()) {
            fraProfile->hide();
            fraLogin->setUp(true, store_->profile().logonMode);
        } else if (opened.outcome == OpenOutcome::InUse || opened.outcome == OpenOutcome::Empty ||
                   opened.outcome == OpenOutcome::BadName) {
            // Said so: stay in the profile view.
            if (!isHidden()) {
                ShowProfile(true);
            }
        }
    }
    if (isShown(fraLogin)) {
        fraLogin->firstFocusBox()->setFocus();
    }
}

void MainWindow::cmdDatabase_Click() {
    if (!services_.chooseFolder) {
        return;
    }
    const QString current = QString::fromStdU16String(store_->databaseFolder().u16string());
    const QString chosen = services_.chooseFolder(current);
    if (chosen.isEmpty()) {
        return;
    }
    store_->WriteSetting(kSettingDatabase, chosen.toStdU16String());
    ShowBusyPointer();
    fillProfileList(store_->ListProfiles());
    ShowIdlePointer();
}

// ---- logon ----

void MainWindow::cmdForgot_Click() { fraLogin->openQuestions(store_->profile()); }

void MainWindow::cmdLogin_Click() {
    const LogonOutcome outcome = fraLogin->questionsShown() ? store_->LogOnWithAnswers(fraLogin->typedAnswers())
                                                            : store_->LogOn(fraLogin->typedDetails());
    if (outcome == LogonOutcome::Damaged) {
        // Nothing of the file is shown: back to the choice of profile.
        ShowIdlePointer();
        fraLogin->setUp(false, 0);
        fraLogin->fraQuestions->hide();
        MessageRequest request;
        request.text = kProfileDamagedMessage;
        showMessage(request);
        ShowProfile(true);
        return;
    }
    session_->setLoggedOn(outcome == LogonOutcome::LoggedOn);
    if (!session_->loggedOn()) {
        ShowIdlePointer();
        MessageRequest request;
        request.text = kDetailsIncorrectText;
        showMessage(request);
        return;
    }
    // The auto-lock controls are set from the settings, not by the user.
    const QScopedValueRollback<bool> filling(fillGuard_, true);
    fraLogin->hide();
    logonStatusText_ = QStringLiteral("You are logged into ") + fraProfile->chosenProfile() +
                       QStringLiteral(" profile!");
    setStatusText(logonStatusText_);
    applyTimerSetting();
    toolbars.button(QStringLiteral("Setup"))->setEnabled(true);
    toolbars.button(QStringLiteral("Passwords"))->setEnabled(true);
}

void MainWindow::applyTimerSetting() {
    std::u16string value;
    if (!store_->ReadSetting(kSettingTimer, value)) {
        return;
    }
    const std::optional<double> minutes = LeadingNumber(QString::fromStdU16String(value));
    if (!minutes || *minutes <= 0) {
        return;
    }
    // The slider keeps the value within its own range.
    fraSecurityOptions->slTimer->setValue(static_cast<int>(std::lround(std::min(*minutes, 1000.0))));
    fraSecurityOptions->chkTimeout->setChecked(true);
}

}  // namespace keyloft
