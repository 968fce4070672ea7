// The passwords page's list: filling it and the filter and category boxes, sorting, filtering,
// choosing a row, and what Show and Print take from it.
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTreeView>
#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "entries/entry_list_model.h"
#include "entries/passwords_view.h"
#include "entries/search_box.h"
#include "pages/text_rules.h"
#include "platform/qt_dialogs.h"
#include "store/entry.h"
#include "store/entry_search.h"
#include "store/error_codes.h"
#include "store/expiry_date.h"
#include "store/profile.h"
#include "store/profile_edits.h"

namespace keyloft {
namespace {

const QString kAllItem = QStringLiteral("<All>");
const QString kNoneItem = QStringLiteral("<None>");
const QString kExpiryWarning = QStringLiteral("There are passwords which are due to expire in 7 days.");
const QString kExpiryWarningTitle = QStringLiteral("Warning");
const QString kFillComboTitle = QStringLiteral("FillCombo");

// The list's cells of an entry, by column. The password cell stays empty: the list shows a mask,
// and whoever needs the password (the editor, the pop-up, Print) asks the store for it.
std::array<QString, EntryListModel::ColumnCount> entryCells(const Entry& entry) {
    return {QtText(entry.category), QtText(entry.description), QtText(entry.userCode), QString(),
            QtText(entry.notes),    QtText(entry.expiryDate),  QtText(entry.webSite),  QtText(entry.email)};
}

// After the count of stored records while a search is typed: how many are listed.
QString SearchCount(int listed) {
    return listed == 1 ? QStringLiteral(" 1 matches the search.")
                       : QStringLiteral(" %1 match the search.").arg(listed);
}

}  // namespace

// The toolbar as a freshly shown page has it: nothing chosen, nothing to save.
CommandStates PasswordsView::freshCommands() {
    CommandStates states;
    states.add = true;
    states.remove = false;
    states.save = false;
    states.cancel = false;
    states.show = false;
    states.generate = false;
    states.print = true;
    return states;
}

// A chosen row can be deleted, shown and given a generated password.
void PasswordsView::rowChosen() {
    CommandStates states;
    states.show = true;
    states.generate = true;
    states.remove = true;
    emit commandsChanged(states);
}

int PasswordsView::selectedListRow() const {
    const QModelIndexList rows = entryList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PasswordsView::selectListRow(int row) {
    QItemSelectionModel* selection = entryList->selectionModel();
    if (row < 0) {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    const QModelIndex index = model_->index(row, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void PasswordsView::fillCombo(QComboBox* box, const QString& firstItem) {
    // Filling is the program's own doing: no selection or change events.
    const QSignalBlocker blocker(box);
    try {
        box->clear();
        if (!firstItem.isEmpty()) box->addItem(firstItem);
        for (const Category& category : opened().profile().categories)
            box->addItem(QString::fromStdU16String(category.name));
    } catch (const std::bad_alloc&) {
        // The box keeps what was added before the failure.
        const std::u16string description = ErrorDescription(error::kOutOfMemory);
        message(QString::fromStdU16String(description), kFillComboTitle);
        folder().logError(u"FillCombo", ErrorNumberText(error::kOutOfMemory), description);
    }
    if (box->isEditable() && box->count() > 0) box->setEditText(box->itemText(box->currentIndex()));
}

void PasswordsView::fillEntryList() {
    const CalendarDate today = ToCalendarDate(today_());
    platform::ShowBusyPointer();
    std::optional<FillGuard> guard(std::in_place, *this);
    model_->clear();
    currentPosition_ = 0;

    const std::vector<Entry>& entries = opened().profile().entries;
    // The selected filter item is the one whose text stands in the box; typed text selects none.
    const int current = filterBox->currentIndex();
    const QString filterText = filterBox->currentText();
    const bool showAll = filterBox->count() == 0 || (current == 0 && filterBox->itemText(0) == filterText);

    const LocaleDateReader& reader = dateReader();
    std::vector<EntryListModel::Row> rows;
    rows.reserve(entries.size());
    bool anyRed = false;
    const std::u16string filterCategory = filterText.toStdU16String();
    const EntrySearch search(searchBox->text().toStdU16String());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (!search.matches(entry)) continue;
        if (!showAll && entry.category != filterCategory) continue;
        EntryListModel::Row row;
        row.cells = entryCells(entry);
        row.position = static_cast<int>(i + 1);
        row.red = reader.isDue(row.cells[EntryListModel::ExpiryDate].toStdU16String(), today);
        anyRed = anyRed || row.red;
        rows.push_back(std::move(row));
    }
    model_->setRows(std::move(rows));
    selectListRow(-1);

    if (anyRed && !expiryWarned_) {
        platform::ShowIdlePointer();
        const std::uint64_t taken = session();
        message(kExpiryWarning, kExpiryWarningTitle);
        // Locked while the warning was open: the list is gone, and nothing more is said of it.
        if (lockedSince(taken)) return;
    }
    // Any listed row settles the warning until the next refresh, red or not.
    if (!model_->rows().empty()) expiryWarned_ = true;

    guard.reset();
    QString status =
        QStringLiteral(" You have ") + QString::number(entries.size()) + QStringLiteral(" records stored!");
    if (!search.matchesAll()) status += SearchCount(model_->rowCount());
    emit statusChanged(status);
    platform::ShowIdlePointer();
}

void PasswordsView::refresh() {
    fillCombo(categoryBox, kNoneItem);
    fillCombo(filterBox, kAllItem);
    const FillGuard guard(*this);
    filterBox->setCurrentIndex(0);
    filterBox->setEditText(filterBox->itemText(0));
    expiryWarned_ = false;
    clearEntryEditor();
    fillEntryList();
}

void PasswordsView::sortByColumn(int column) {
    model_->sortByHeading(column);
    entryList->header()->setSortIndicatorShown(true);
    entryList->header()->setSortIndicator(column, model_->sortOrder());
}

void PasswordsView::filterSelected() {
    if (filling()) return;
    const FillGuard guard(*this);
    clearEntryEditor();
    fillEntryList();
}

void PasswordsView::filterTyped() {
    if (filling()) return;
    filterSelected();
    emit dirtyChanged(false);
    // The editor is empty again: nothing to save or cancel.
    CommandStates states = freshCommands();
    states.print.reset();
    emit commandsChanged(states);
}

void PasswordsView::selectEntryRow() {
    if (isHidden()) return;
    if (hasUnsavedChanges()) {
        if (!ConfirmDiscardChanges(dialogs())) {
            // Keep the edits and the row they belong to.
            int previous = -1;
            for (int i = 0; i < model_->rowCount() && currentPosition_ > 0; ++i)
                if (model_->rowAt(i).position == currentPosition_) previous = i;
            selectListRow(previous);
            return;
        }
        emit dirtyChanged(false);
        CommandStates states = freshCommands();
        states.filterPressed = false;
        emit commandsChanged(states);
        filterBox->setEnabled(false);
        newEntryLabel->hide();
        refresh();
    }
    const int row = selectedListRow();
    if (row >= 0) {
        currentPosition_ = model_->rowAt(row).position;
        {
            const FillGuard guard(*this);
            loadEntryIntoEditor();
        }
        rowChosen();
    }
    newEntryLabel->hide();
}

void PasswordsView::selectSavedEntry() {
    const int position = std::exchange(savedPosition_, 0);
    int row = -1;
    for (int i = 0; i < model_->rowCount() && position > 0; ++i)
        if (model_->rowAt(i).position == position) row = i;
    if (row < 0) return;
    selectListRow(row);
    entryList->scrollTo(model_->index(row, 0));
    currentPosition_ = position;
    {
        const FillGuard guard(*this);
        loadEntryIntoEditor();
    }
    rowChosen();
}

void PasswordsView::filter(bool pressed) {
    if (pressed) {
        filterBox->setEnabled(true);
        return;
    }
    {
        const QSignalBlocker blocker(filterBox);
        filterBox->setCurrentIndex(filterBox->count() > 0 ? 0 : -1);
        filterBox->setEditText(filterBox->itemText(0));
    }
    filterSelected();
    filterBox->setEnabled(false);
}

std::optional<Entry> PasswordsView::selectedEntry() {
    const int row = selectedListRow();
    if (row < 0) return std::nullopt;
    const int position = model_->rowAt(row).position;
    const std::vector<Entry>& entries = opened().profile().entries;
    if (position <= 0 || static_cast<std::size_t>(position) > entries.size()) return std::nullopt;
    currentPosition_ = position;
    return entries[static_cast<std::size_t>(position - 1)];
}

std::vector<MasterListRow> PasswordsView::masterListRows() const {
    std::vector<MasterListRow> rows;
    rows.reserve(model_->rows().size());
    const std::vector<Entry>& entries = opened().profile().entries;
    for (const EntryListModel::Row& row : model_->rows()) {
        MasterListRow printed;
        std::copy(row.cells.begin(), row.cells.end(), printed.begin());
        if (row.position > 0 && static_cast<std::size_t>(row.position) <= entries.size())
            printed[EntryListModel::Password] =
                QtText(entries[static_cast<std::size_t>(row.position - 1)].password);
        rows.push_back(printed);
    }
    return rows;
}

}  // namespace keyloft
