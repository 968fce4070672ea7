#include "entries/passwords_view.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "pages/text_rules.h"
#include "entries/entry_list_model.h"
#include "entries/generator_options.h"
#include "entries/search_box.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_dialogs.h"
#include "store/entry.h"
#include "store/expiry_date.h"
#include "store/profile.h"
#include "store/profile_edits.h"
#include "store/text_convert.h"

#include "store/error_codes.h"
#include "store/password_generator.h"

namespace keyloft {

namespace {

// Messages and captions.
const QString kWarningTitle = QStringLiteral("Warning");
const QString kOverwritePassword = QStringLiteral("Are you sure you want to overwite the existing password?");
const QString kPasswordTitle = QStringLiteral("Password");

}  // namespace

PasswordsView::PasswordsView(PageServices services, platform::Clipboard& clipboard, TodayProvider today,
                             QWidget* parent, QComboBox* windowFilterBox)
    : Page(std::move(services), parent), clipboard_(clipboard), today_(std::move(today)) {
    setObjectName(QStringLiteral("fraPasswords"));
    buildWidgets(windowFilterBox);
    connectEditor();
}

PasswordsView::~PasswordsView() = default;

void PasswordsView::connectEditor() {
    connect(entryList->header(), &QHeaderView::sectionClicked, this, &PasswordsView::sortByColumn);
    connect(entryList, &QTreeView::clicked, this, [this](const QModelIndex&) { selectEntryRow(); });
    entryList->installEventFilter(this);
    passwordBox->installEventFilter(this);
    confirmBox->installEventFilter(this);

    for (QLineEdit* box :
         {descriptionBox, userCodeBox, passwordBox, confirmBox, expiryBox, webSiteBox, emailBox})
        connect(box, &QLineEdit::textChanged, this, &PasswordsView::boxChanged);
    connect(notesBox, &QPlainTextEdit::textChanged, this, &PasswordsView::boxChanged);
    connect(passwordBox, &QLineEdit::textChanged, strengthLabel, &StrengthLabel::rate);
    connect(categoryBox, &QComboBox::currentIndexChanged, this, &PasswordsView::boxChanged);

    connect(filterBox, &QComboBox::currentIndexChanged, this, &PasswordsView::filterSelected);
    connect(filterBox->lineEdit(), &QLineEdit::textEdited, this, &PasswordsView::filterTyped);

    connect(copyButton, &QToolButton::clicked, this, &PasswordsView::copyPassword);
    connect(searchBox, &QLineEdit::textChanged, this, &PasswordsView::searchChanged);
}

MessageAnswer PasswordsView::message(const QString& text, const QString& title, MessageIcon icon,
                                     MessageButtons buttons, MessageAnswer defaultAnswer) {
    MessageRequest request;
    request.text = text.toStdU16String();
    request.title = title.toStdU16String();
    request.icon = icon;
    request.buttons = buttons;
    request.defaultAnswer = defaultAnswer;
    return dialogs().showMessage(request);
}

const LocaleDateReader& PasswordsView::dateReader() {
    // Built once per locale; the locale may be changed while the program runs (tests do).
    const QLocale locale;
    if (!reader_ || reader_->locale() != locale) reader_.emplace(locale);
    return *reader_;
}

void PasswordsView::boxChanged() { markChanged(); }

void PasswordsView::clearEntryEditor() {
    categoryBox->setCurrentIndex(categoryBox->count() > 0 ? 0 : -1);
    for (QLineEdit* box :
         {descriptionBox, userCodeBox, passwordBox, confirmBox, expiryBox, emailBox, webSiteBox})
        EmptyBox(box);
    EmptyBox(notesBox);
    newEntryLabel->hide();
}

void PasswordsView::loadEntryIntoEditor() {
    const int row = selectedListRow();
    if (row < 0) return;
    const EntryListModel::Row& entry = model_->rowAt(row);
    categoryBox->setCurrentIndex(categoryBox->findText(entry.cells[EntryListModel::Category]));
    // The password only from the store, and only while the editor shows it.
    const std::vector<Entry>& entries = opened().profile().entries;
    const auto position = static_cast<std::size_t>(entry.position);
    const QString password = position >= 1 && position <= entries.size()
                                 ? QString::fromStdU16String(entries[position - 1].password)
                                 : QString();
    passwordBox->setText(password);
    confirmBox->setText(password);
    descriptionBox->setText(entry.cells[EntryListModel::Description]);
    userCodeBox->setText(entry.cells[EntryListModel::UserCode]);
    notesBox->setPlainText(entry.cells[EntryListModel::Notes]);
    expiryBox->setText(entry.cells[EntryListModel::ExpiryDate]);
    webSiteBox->setText(entry.cells[EntryListModel::WebSite]);
    emailBox->setText(entry.cells[EntryListModel::Email]);
}

bool PasswordsView::save() {
    TypedEntry entry;
    Entry& typed = entry.fields;
    typed.category =
        categoryBox->currentIndex() == 0 ? std::u16string() : categoryBox->currentText().toStdU16String();
    typed.description = descriptionBox->text().toStdU16String();
    typed.userCode = userCodeBox->text().toStdU16String();
    typed.password = passwordBox->text().toStdU16String();
    typed.notes = notesBox->toPlainText().toStdU16String();
    typed.expiryDate = expiryBox->text().toStdU16String();
    typed.webSite = webSiteBox->text().toStdU16String();
    typed.email = emailBox->text().toStdU16String();
    entry.confirmation = confirmBox->text().toStdU16String();
    // The warning and the refusals are shown before anything is stored: a lock while one of the
    // boxes is open ends the save, and nothing is stored.
    const EntryCheck check = CheckEntry(entry, dateReader());
    const std::uint64_t taken = session();
    if (check.passwordBlank) {
        platform::ShowIdlePointer();
        message(QtText(kPasswordBlankText), kWarningTitle);
        if (lockedSince(taken)) return false;
        platform::ShowBusyPointer();
    }
    if (!check.accepted()) {
        message(QtText(check.message), QString::fromStdU16String(kApplicationTitle));
        if (lockedSince(taken)) return false;
        if (check.refusal == EntryCheck::Refusal::PasswordMismatch) platform::ShowIdlePointer();
        if (check.refusal == EntryCheck::Refusal::InvalidExpiry) {
            expiryBox->setText(QtText(std::u16string(TrimBlanks(typed.expiryDate))));
            expiryBox->setFocus();
        }
        return false;
    }

    const std::size_t position =
        newEntryLabel->isHidden() && currentPosition_ > 0 ? std::size_t(currentPosition_) : 0;
    const EditResult edit = editStore([&](ProfileEdits& edits) {
        return position != 0 ? edits.changeEntry(position, entry, dateReader())
                             : edits.addEntry(entry, dateReader());
    });
    if (!edit.applied()) return false;

    currentPosition_ = 0;
    savedPosition_ = 0;

    // The store reports its own failures and conflicts; a lock-out leaves nothing to list.
    const SaveOutcome outcome = carryOutSave(*edit.save);
    if (outcome == SaveOutcome::ConflictLockedOut) return false;
    if (outcome == SaveOutcome::Saved) savedPosition_ = static_cast<int>(edit.position);

    {
        const FillGuard guard(*this);
        clearEntryEditor();
    }
    fillEntryList();
    return true;
}

bool PasswordsView::eventFilter(QObject* watched, QEvent* event) {
    if (leaveCopyKeyToWindow(watched, event)) return true;
    // After the splitter's own handling of its new size.
    if (watched == splitter_ && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(this, &PasswordsView::keepFewestRows, Qt::QueuedConnection);
    // Reached by Tab, the list marks its first row without choosing it: the first Up, Down or
    // Space then chooses that row instead of moving past it.
    if (watched == entryList && event->type() == QEvent::KeyPress && selectedListRow() < 0 &&
        entryList->currentIndex().isValid()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Space)) {
            selectListRow(entryList->currentIndex().row());
            selectEntryRow();
            return true;
        }
    }
    if (watched == entryList && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Home:
            case Qt::Key_End:
                if (!key->isAutoRepeat() && selectedListRow() >= 0 &&
                    model_->rowAt(selectedListRow()).position != currentPosition_) {
                    selectEntryRow();
                }
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PasswordsView::forgetProfile() {
    const FillGuard guard(*this);
    model_->clear();
    currentPosition_ = 0;
    clearEntryEditor();
    for (QComboBox* box : {categoryBox, filterBox}) {
        const QSignalBlocker blocker(box);
        box->clear();
        if (box->lineEdit() != nullptr) EmptyBox(box->lineEdit());
    }
    EmptyBox(searchBox);
    savedPosition_ = 0;
}

void PasswordsView::pageShown(bool shown) {
    if (!shown) {
        newEntryLabel->hide();
        return;
    }
    show();
    filterBox->setEnabled(false);
    // Shown again after a save: the stored entry is the chosen one.
    if (savedPosition_ > 0) selectSavedEntry();
}

void PasswordsView::add() {
    {
        const FillGuard guard(*this);
        clearEntryEditor();
    }
    newEntryLabel->show();
    CommandStates states;
    states.remove = false;
    states.generate = true;
    states.cancel = true;
    emit commandsChanged(states);
    userCodeBox->setFocus();
}

void PasswordsView::remove() {
    const int row = selectedListRow();
    if (row < 0) return;
    const int position = model_->rowAt(row).position;
    const EditResult edit = editStore([position](ProfileEdits& edits) {
        return edits.removeEntry(position > 0 ? std::size_t(position) : 0);
    });
    if (carryOutSave(*edit.save) == SaveOutcome::ConflictLockedOut) return;
    model_->removeRowAt(row);
    refresh();
    // No row is chosen any more: nothing to delete, show or generate into.
    CommandStates states;
    states.remove = false;
    states.show = false;
    states.generate = false;
    emit commandsChanged(states);
}

void PasswordsView::generate() {
    if (!passwordBox->text().isEmpty() &&
        message(kOverwritePassword, kPasswordTitle, MessageIcon::Exclamation, MessageButtons::YesNo,
                MessageAnswer::No) != MessageAnswer::Yes)
        return;
    const QString password = QString::fromStdU16String(GeneratePassword(generatorOptions_->options()));
    passwordBox->setText(password);
    confirmBox->setText(password);
}

void PasswordsView::copyPassword() { copyEntryField(CopiedField::Password); }

}  // namespace keyloft
