#include "entries/passwords_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "entries/entry_list_model.h"
#include "entries/generator_options.h"
#include "entries/search_box.h"
#include "pages/secret_box.h"
#include "pages/text_rules.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_dialogs.h"
#include "store/entry.h"
#include "store/error_codes.h"
#include "store/expiry_date.h"
#include "store/password_generator.h"
#include "store/profile.h"
#include "store/profile_store.h"
#include "store/text_convert.h"

namespace keyloft {

namespace {

// Messages and captions.
const QString kWarningTitle = QStringLiteral("Warning");
const QString kOverwritePassword = QStringLiteral("Are you sure you want to overwite the existing password?");
const QString kPasswordTitle = QStringLiteral("Password");
const QString kCopyToolTip = QStringLiteral("Copy to Clipboard");
const QString kNewMarker = QStringLiteral("NEW");

// Initial column widths in twips.
constexpr int kColumnTwips[EntryListModel::ColumnCount] = {2937, 2672, 2672, 0, 2672, 2143, 2646, 2646};

QIcon copyIcon() {
    // Two overlapping sheets.
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(40, 40, 40));
    painter.setBrush(QColor(220, 220, 220));
    painter.drawRect(1, 1, 9, 11);
    painter.setBrush(QColor(255, 255, 255));
    painter.drawRect(5, 4, 9, 11);
    painter.drawLine(7, 7, 12, 7);
    painter.drawLine(7, 10, 12, 10);
    return QIcon(pixmap);
}

// The editor's scroll area asks for the height of a few boxes only, so that the list gets the
// larger share of a small window; the rest of the editor scrolls.
class EditorScrollArea final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        const QSize full = QScrollArea::sizeHint();
        return {full.width(), std::min(full.height(), fontMetrics().height() * 10)};
    }
};

}  // namespace

PasswordsView::PasswordsView(PageServices services, platform::Clipboard& clipboard, TodayProvider today,
                             QWidget* parent, QComboBox* filterBox)
    : Page(std::move(services), parent), clipboard_(clipboard), today_(std::move(today)) {
    setObjectName(QStringLiteral("fraPasswords"));
    buildWidgets(filterBox);
    connectEditor();
}

PasswordsView::~PasswordsView() = default;

void PasswordsView::buildWidgets(QComboBox* filterBox) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The list above, the editor below; the user moves the line between them. The editor scrolls
    // when the window is too low for all of its boxes.
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("splitPasswords"));
    splitter_->setChildrenCollapsible(false);
    layout->addWidget(splitter_);
    auto* editorScroll = new EditorScrollArea(splitter_);
    editorScroll->setObjectName(QStringLiteral("editorScroll"));
    editorScroll_ = editorScroll;
    editorScroll->setWidgetResizable(true);
    editorScroll->setFrameShape(QFrame::NoFrame);
    auto* editor = new QWidget(editorScroll);
    editor_ = editor;
    editor->setObjectName(QStringLiteral("entryEditor"));

    lstUser = new QTreeView(this);
    lstUser->setObjectName(QStringLiteral("lstUser"));
    model_ = new EntryListModel(this);
    lstUser->setModel(model_);
    lstUser->setRootIsDecorated(false);
    lstUser->setItemsExpandable(false);
    lstUser->setUniformRowHeights(true);
    lstUser->setAllColumnsShowFocus(true);
    lstUser->setSelectionMode(QAbstractItemView::SingleSelection);
    lstUser->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstUser->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstUser->setSortingEnabled(false);
    QHeaderView* header = lstUser->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(0);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    for (int column = 0; column < EntryListModel::ColumnCount; ++column)
        header->resizeSection(column, TwipsToPixels(kColumnTwips[column]));
    lstUser->setMinimumHeight(lstUser->fontMetrics().height() * 4);

    // The search box above the list.
    auto* listArea = new QWidget(splitter_);
    listArea->setObjectName(QStringLiteral("listArea"));
    auto* listLayout = new QVBoxLayout(listArea);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto* searchRow = new QHBoxLayout;
    auto* searchLabel = new QLabel(QStringLiteral("Searc&h"), listArea);
    searchLabel->setObjectName(QStringLiteral("lblSearch"));
    txtSearch = new SearchBox(listArea);
    txtSearch->setAccessibleName(QStringLiteral("Search"));
    searchLabel->setBuddy(txtSearch);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(txtSearch, 1);
    listLayout->addLayout(searchRow);
    lstUser->setParent(listArea);
    listLayout->addWidget(lstUser, 1);
    splitter_->insertWidget(0, listArea);

    cboFilter = filterBox;
    cboFilter->setEditable(true);
    cboFilter->setInsertPolicy(QComboBox::NoInsert);
    cboFilter->setCompleter(nullptr);
    cboFilter->setMinimumContentsLength(16);

    auto* grid = new QGridLayout;
    auto addRow = [this, grid](int row, const char* labelName, const QString& caption, QWidget* box) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setBuddy(box);
        box->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
    };
    auto lineEdit = [this](const char* name) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };

    cboCategory = new QComboBox(this);
    cboCategory->setObjectName(QStringLiteral("cboCategory"));
    cboCategory->setEditable(false);
    txtUserDesc = lineEdit("txtUserDesc");
    txtUserCode = lineEdit("txtUserCode");
    // The password boxes keep their text out of the X selection, whatever they show.
    txtUserpass = new SecretBox(this);
    txtUserpass->setObjectName(QStringLiteral("txtUserpass"));
    txtUserpass->setEchoMode(QLineEdit::Password);
    txtuserconfirm = new SecretBox(this);
    txtuserconfirm->setObjectName(QStringLiteral("txtuserconfirm"));
    txtuserconfirm->setEchoMode(QLineEdit::Password);
    txtSource = new QPlainTextEdit(this);
    txtSource->setObjectName(QStringLiteral("txtSource"));
    txtSource->setTabChangesFocus(true);
    txtSource->setFixedHeight(txtSource->fontMetrics().lineSpacing() * 4 + 12);
    txtExpiry = lineEdit("txtExpiry");
    txtWeb = lineEdit("txtWeb");
    txtEmail = lineEdit("txtEmail");

    // The category box with the NEW marker after it, so that the marker takes no column of its own.
    auto* categoryRow = new QWidget(this);
    auto* categoryLayout = new QHBoxLayout(categoryRow);
    categoryLayout->setContentsMargins(0, 0, 0, 0);
    cboCategory->setParent(categoryRow);
    categoryLayout->addWidget(cboCategory, 1);
    lblNewUser = new QLabel(kNewMarker, categoryRow);
    categoryLayout->addWidget(lblNewUser);
    addRow(0, "lblCategory", QStringLiteral("&Category"), categoryRow);
    if (auto* label = findChild<QLabel*>(QStringLiteral("lblCategory"))) label->setBuddy(cboCategory);
    cboCategory->setAccessibleName(QStringLiteral("Category"));
    addRow(1, "lblUserDesc", QStringLiteral("&Description"), txtUserDesc);
    addRow(2, "lblUserCode", QStringLiteral("&User/Account Code"), txtUserCode);

    // The password box with the copy button beside it.
    auto* passwordRow = new QWidget(this);
    auto* passwordLayout = new QHBoxLayout(passwordRow);
    passwordLayout->setContentsMargins(0, 0, 0, 0);
    txtUserpass->setParent(passwordRow);
    passwordLayout->addWidget(txtUserpass, 1);
    cmdCopyClip = new QToolButton(passwordRow);
    cmdCopyClip->setObjectName(QStringLiteral("cmdCopyClip"));
    cmdCopyClip->setToolTip(kCopyToolTip);
    cmdCopyClip->setIcon(copyIcon());
    cmdCopyClip->setAutoRaise(true);
    cmdCopyClip->setAccessibleName(QStringLiteral("Copy password"));
    cmdCopyClip->setFocusPolicy(Qt::StrongFocus);
    passwordLayout->addWidget(cmdCopyClip);
    auto* passwordLabel = new QLabel(QStringLiteral("Pass&word/PIN"), this);
    txtUserpass->setAccessibleName(QStringLiteral("Password/PIN"));
    passwordLabel->setObjectName(QStringLiteral("lblUserpass"));
    passwordLabel->setBuddy(txtUserpass);
    grid->addWidget(passwordLabel, 3, 0);
    grid->addWidget(passwordRow, 3, 1);

    // The password's strength under it, as it is typed.
    lblStrength = new StrengthLabel(this);
    grid->addWidget(lblStrength, 4, 1);
    addRow(5, "lblUserConfirm", QStringLiteral("Con&firm Password/PIN"), txtuserconfirm);
    // The generator's options, beside the copy button in the Tab order.
    generatorOptions_ = new GeneratorOptionsRow(store(), this);
    addRow(6, "lblLength", QStringLiteral("Generated len&gth"), generatorOptions_);
    if (auto* label = findChild<QLabel*>(QStringLiteral("lblLength")))
        label->setBuddy(generatorOptions_->lengthBox());
    generatorOptions_->lengthBox()->setAccessibleName(QStringLiteral("Generated length"));
    addRow(7, "lblSource", QStringLiteral("&Notes"), txtSource);
    addRow(8, "lblExpiry", QStringLiteral("Any E&xpiry Date"), txtExpiry);
    addRow(9, "lblWeb", QStringLiteral("Web &Site"), txtWeb);
    addRow(10, "lblEmail", QStringLiteral("E&mail"), txtEmail);

    lblNewUser->setObjectName(QStringLiteral("lblNewUser"));
    QFont bold = lblNewUser->font();
    bold.setBold(true);
    lblNewUser->setFont(bold);
    lblNewUser->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    lblNewUser->hide();
    // Tab reaches the copy button after the confirmation, so that typing a new password and its
    // confirmation stays one Tab apart.
    auto* symbols = generatorOptions_->findChild<QWidget*>(QStringLiteral("chkSymbols"));
    QWidget::setTabOrder(txtuserconfirm, cmdCopyClip);
    QWidget::setTabOrder(cmdCopyClip, generatorOptions_->lengthBox());
    QWidget::setTabOrder(generatorOptions_->lengthBox(), symbols);
    QWidget::setTabOrder(symbols, txtSource);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(11, 1);
    editor->setLayout(grid);
    editorScroll->setWidget(editor);
    editorScroll->setMinimumHeight(lstUser->fontMetrics().height() * 4);
    splitter_->addWidget(editorScroll);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { splitSet_ = true; });
    splitter_->installEventFilter(this);
}

void PasswordsView::connectEditor() {
    connect(lstUser->header(), &QHeaderView::sectionClicked, this, &PasswordsView::sortByColumn);
    connect(lstUser, &QTreeView::clicked, this, [this](const QModelIndex&) { selectEntryRow(); });
    lstUser->installEventFilter(this);
    txtUserpass->installEventFilter(this);
    txtuserconfirm->installEventFilter(this);

    for (QLineEdit* box : {txtUserDesc, txtUserCode, txtUserpass, txtuserconfirm, txtExpiry, txtWeb, txtEmail})
        connect(box, &QLineEdit::textChanged, this, &PasswordsView::boxChanged);
    connect(txtSource, &QPlainTextEdit::textChanged, this, &PasswordsView::boxChanged);
    connect(txtUserpass, &QLineEdit::textChanged, lblStrength, &StrengthLabel::rate);
    connect(cboCategory, &QComboBox::currentIndexChanged, this, &PasswordsView::boxChanged);

    connect(cboFilter, &QComboBox::currentIndexChanged, this, &PasswordsView::filterSelected);
    connect(cboFilter->lineEdit(), &QLineEdit::textEdited, this, &PasswordsView::filterTyped);

    connect(cmdCopyClip, &QToolButton::clicked, this, &PasswordsView::copyPassword);
    connect(txtSearch, &QLineEdit::textChanged, this, &PasswordsView::searchChanged);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { scrollIntoView(now); });
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
    cboCategory->setCurrentIndex(cboCategory->count() > 0 ? 0 : -1);
    for (QLineEdit* box : {txtUserDesc, txtUserCode, txtUserpass, txtuserconfirm, txtExpiry, txtEmail, txtWeb})
        EmptyBox(box);
    EmptyBox(txtSource);
    lblNewUser->hide();
}

void PasswordsView::loadEntryIntoEditor() {
    const int row = selectedListRow();
    if (row < 0) return;
    const EntryListModel::Row& entry = model_->rowAt(row);
    cboCategory->setCurrentIndex(cboCategory->findText(entry.cells[EntryListModel::Category]));
    // The password only from the store, and only while the editor shows it.
    const std::vector<Entry>& entries = store().profile().entries;
    const auto position = static_cast<std::size_t>(entry.position);
    const QString password = position >= 1 && position <= entries.size()
                                 ? QString::fromStdU16String(entries[position - 1].password)
                                 : QString();
    txtUserpass->setText(password);
    txtuserconfirm->setText(password);
    txtUserDesc->setText(entry.cells[EntryListModel::Description]);
    txtUserCode->setText(entry.cells[EntryListModel::UserCode]);
    txtSource->setPlainText(entry.cells[EntryListModel::Notes]);
    txtExpiry->setText(entry.cells[EntryListModel::ExpiryDate]);
    txtWeb->setText(entry.cells[EntryListModel::WebSite]);
    txtEmail->setText(entry.cells[EntryListModel::Email]);
}

bool PasswordsView::save() {
    TypedEntry entry;
    Entry& typed = entry.fields;
    typed.category = cboCategory->currentIndex() == 0 ? std::u16string() : cboCategory->currentText().toStdU16String();
    typed.description = txtUserDesc->text().toStdU16String();
    typed.userCode = txtUserCode->text().toStdU16String();
    typed.password = txtUserpass->text().toStdU16String();
    typed.notes = txtSource->toPlainText().toStdU16String();
    typed.expiryDate = txtExpiry->text().toStdU16String();
    typed.webSite = txtWeb->text().toStdU16String();
    typed.email = txtEmail->text().toStdU16String();
    entry.confirmation = txtuserconfirm->text().toStdU16String();
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
            txtExpiry->setText(QtText(std::u16string(TrimBlanks(typed.expiryDate))));
            txtExpiry->setFocus();
        }
        return false;
    }

    const std::size_t position = lblNewUser->isHidden() && currentPosition_ > 0 ? std::size_t(currentPosition_) : 0;
    const EditResult edit = editStore([&](ProfileStore& store) {
        return position != 0 ? store.changeEntry(position, entry, dateReader()) : store.addEntry(entry, dateReader());
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

void PasswordsView::setSplit(const QList<int>& sizes) {
    splitter_->setSizes(sizes);
    splitSet_ = true;
}

// The list's height for eight rows with its heading, scroll bar and search box.
int PasswordsView::eightRowsHeight() const {
    const int row = std::max(lstUser->sizeHintForRow(0), lstUser->fontMetrics().height() + 2);
    const int list = lstUser->header()->sizeHint().height() + row * 8 +
                     lstUser->horizontalScrollBar()->sizeHint().height() + 2 * lstUser->frameWidth() + 2;
    // The search box stands above the list.
    return list + txtSearch->sizeHint().height() + std::max(0, splitter_->widget(0)->layout()->spacing());
}

// "300,240": the heights the user left; nothing when the setting holds anything else.
std::optional<QList<int>> PasswordsView::savedSplit() {
    std::u16string value;
    if (!store().ReadSetting(kSettingEntrySplit, value)) return std::nullopt;
    const QStringList parts = QString::fromStdU16String(value).split(QLatin1Char(','));
    if (parts.size() != 2) return std::nullopt;
    QList<int> sizes;
    for (const QString& part : parts) {
        bool ok = false;
        const int size = part.trimmed().toInt(&ok);
        if (!ok || size <= 0) return std::nullopt;
        sizes.append(size);
    }
    return sizes;
}

void PasswordsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (splitSet_) return;
    if (const std::optional<QList<int>> sizes = savedSplit()) {
        setSplit(*sizes);
        return;
    }
    splitSet_ = true;
    const int total = splitter_->height() - splitter_->handleWidth();
    const int least = splitter_->widget(1)->minimumHeight();
    const int editor = std::clamp(editor_->sizeHint().height(), least, std::max(least, total - eightRowsHeight()));
    splitter_->setSizes({total - editor, editor});
}

bool PasswordsView::eventFilter(QObject* watched, QEvent* event) {
    if (leaveCopyKeyToWindow(watched, event)) return true;
    // After the splitter's own handling of its new size.
    if (watched == splitter_ && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(this, &PasswordsView::keepEightRows, Qt::QueuedConnection);
    if (watched == lstUser && event->type() == QEvent::KeyRelease) {
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

// A lower window takes the height from the editor (which then scrolls) before the list drops
// below eight rows.
void PasswordsView::keepEightRows() {
    const QList<int> sizes = splitter_->sizes();
    if (sizes.size() != 2) return;
    const int missing = eightRowsHeight() - sizes[0];
    const int spare = sizes[1] - splitter_->widget(1)->minimumHeight();
    const int moved = std::min(missing, spare);
    if (moved > 0) splitter_->setSizes({sizes[0] + moved, sizes[1] - moved});
}

void PasswordsView::forgetProfile() {
    const FillGuard guard(*this);
    model_->clear();
    currentPosition_ = 0;
    clearEntryEditor();
    for (QComboBox* box : {cboCategory, cboFilter}) {
        const QSignalBlocker blocker(box);
        box->clear();
        if (box->lineEdit() != nullptr) EmptyBox(box->lineEdit());
    }
    EmptyBox(txtSearch);
    savedPosition_ = 0;
}

void PasswordsView::pageShown(bool shown) {
    if (!shown) {
        lblNewUser->hide();
        return;
    }
    show();
    cboFilter->setEnabled(false);
    // Shown again after a save: the stored entry is the chosen one.
    if (savedPosition_ > 0) selectSavedEntry();
}

void PasswordsView::add() {
    {
        const FillGuard guard(*this);
        clearEntryEditor();
    }
    lblNewUser->show();
    CommandStates states;
    states.remove = false;
    states.generate = true;
    states.cancel = true;
    emit commandsChanged(states);
    txtUserCode->setFocus();
}

void PasswordsView::remove() {
    const int row = selectedListRow();
    if (row < 0) return;
    const int position = model_->rowAt(row).position;
    const EditResult edit = editStore(
        [position](ProfileStore& store) { return store.removeEntry(position > 0 ? std::size_t(position) : 0); });
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
    if (!txtUserpass->text().isEmpty() &&
        message(kOverwritePassword, kPasswordTitle, MessageIcon::Exclamation, MessageButtons::YesNo, MessageAnswer::No) !=
            MessageAnswer::Yes)
        return;
    const QString password = QString::fromStdU16String(GeneratePassword(generatorOptions_->options()));
    txtUserpass->setText(password);
    txtuserconfirm->setText(password);
}

void PasswordsView::copyPassword() { copyEntryField(CopiedField::Password); }

}  // namespace keyloft
