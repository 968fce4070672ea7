// The passwords page's search box, and what the keys of the page do with the chosen entry.
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include "entries/entry_list_model.h"
#include "entries/passwords_view.h"
#include "entries/search_box.h"
#include "platform/qt_clipboard.h"

namespace keyloft {

void PasswordsView::focusSearch() {
    searchBox->setFocus(Qt::ShortcutFocusReason);
    searchBox->selectAll();
}

void PasswordsView::searchChanged() {
    if (filling()) return;
    // The list follows the search; the editor keeps what it shows (and any edits), and the entry
    // it shows stays the one a save replaces.
    const int chosen = currentPosition_;
    fillEntryList();
    currentPosition_ = chosen;
    if (chosen <= 0) return;
    int row = -1;
    for (int i = 0; i < model_->rowCount(); ++i)
        if (model_->rowAt(i).position == chosen) row = i;
    if (row >= 0) {
        selectListRow(row);
        entryList->scrollTo(model_->index(row, 0));
    }
    // Delete and Show work on the chosen row, which the search may have left out of the list.
    CommandStates states;
    states.remove = row >= 0;
    states.show = row >= 0;
    emit commandsChanged(states);
}

void PasswordsView::copyEntryField(CopiedField field) {
    const bool password = field == CopiedField::Password;
    const QString text = (password ? passwordBox : userCodeBox)->text();
    QString said;
    if (!text.isEmpty()) {
        clipboard_.setSecretText(text);
        said = password ? QStringLiteral(" Password copied to the clipboard.")
                        : QStringLiteral(" User code copied to the clipboard.");
    } else if (currentPosition_ <= 0 && newEntryLabel->isHidden()) {
        said = QStringLiteral(" Choose an entry first: nothing was copied.");
    } else {
        said = password ? QStringLiteral(" The entry has no password: nothing was copied.")
                        : QStringLiteral(" The entry has no user code: nothing was copied.");
    }
    emit statusChanged(said);
}

bool PasswordsView::leaveCopyKeyToWindow(QObject* watched, QEvent* event) const {
    if ((watched != passwordBox && watched != confirmBox) || event->type() != QEvent::ShortcutOverride ||
        !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
        return false;
    event->ignore();
    return true;
}

}  // namespace keyloft
