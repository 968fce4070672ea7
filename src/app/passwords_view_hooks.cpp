#include "app/passwords_view_hooks.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

#include "app/frm_new_main.h"

namespace keyloft {

PasswordsViewHooks::PasswordsViewHooks(frmNewMain& window, platform::Clipboard& clipboard,
                                       PasswordsView::TodayProvider today)
    : QObject(&window) {
    QWidget* frame = window.passwordsFrame();
    view_ = new PasswordsView(window, clipboard, std::move(today), frame, window.filterBox());
    view_->setObjectName(QStringLiteral("passwordsContent"));  // the frame itself is fraPasswords
    if (frame->layout()) frame->layout()->addWidget(view_);
    window.setPasswordsView(this);
    // Releasing Filter also drops text typed into the filter box.
    if (QAction* filter = window.toolbarButton(QStringLiteral("Filter")))
        connect(filter, &QAction::toggled, this, [this](bool on) {
            if (!on && view_ && !view_->cboFilter->isHidden()) view_->Filter(false);
        });
}

void PasswordsViewHooks::onShowPasswords(bool bol) {
    if (!view_) return;
    if (bol) {
        view_->show();
        view_->cboFilter->setEnabled(false);
    } else {
        view_->lblNewUser->hide();
    }
}

void PasswordsViewHooks::RefreshEntryLists() {
    if (view_) view_->RefreshEntryLists();
}

void PasswordsViewHooks::ClearEntryEditor() {
    if (view_) view_->ClearEntryEditor();
}

void PasswordsViewHooks::beginNewEntry() {
    if (!view_) return;
    view_->lblNewUser->show();
    view_->txtUserCode->setFocus();
}

void PasswordsViewHooks::DeleteEntry() {
    if (view_) view_->Delete();
}

bool PasswordsViewHooks::SaveEntry() { return view_ && view_->SaveEntry(); }

void PasswordsViewHooks::SelectSavedEntry() {
    if (view_) view_->SelectSavedEntry();
}

void PasswordsViewHooks::ShowSelectedEntry() {
    if (!view_) return;
    if (const auto fields = view_->selectedEntryFields(); fields && show_) show_(*fields);
}

void PasswordsViewHooks::GenerateIntoEditor() {
    if (view_) view_->Generate();
}

void PasswordsViewHooks::RestoreSplit(int listHeight, int editorHeight) {
    if (view_) view_->setSplit({listHeight, editorHeight});
}

void PasswordsViewHooks::ForgetProfile() {
    if (view_) view_->ForgetProfile();
}

void PasswordsViewHooks::PrintMasterList() {
    if (print_) print_();
}

}  // namespace keyloft
