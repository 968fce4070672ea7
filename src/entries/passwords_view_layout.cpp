// The passwords page's widgets and their layout: the search box and the list above, the editor
// below in two columns (one under the other in a narrow window), the Tab order, and how the
// height is shared between the list and the editor.
#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <optional>

#include "entries/entry_list_model.h"
#include "entries/generator_options.h"
#include "entries/passwords_view.h"
#include "entries/search_box.h"
#include "pages/focus_in_view.h"
#include "pages/keyboard_header.h"
#include "pages/readable_colors.h"
#include "pages/secret_box.h"
#include "pages/tab_order.h"
#include "pages/text_rules.h"

namespace keyloft {
namespace {

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

// The editor's two columns of boxes: side by side where the view is wide enough for both, the
// second under the first where it is not.
class EditorColumns final : public QWidget {
  public:
    EditorColumns(QGridLayout* first, QGridLayout* second, QWidget* parent)
        : QWidget(parent), first_(first), second_(second) {
        setObjectName(QStringLiteral("entryEditor"));
        columns_ = new QBoxLayout(QBoxLayout::LeftToRight, this);
        columns_->addLayout(first, 1);
        columns_->addSpacing(fontMetrics().averageCharWidth() * 2);
        columns_->addLayout(second, 1);
    }
    // Side by side when `width` gives both columns the room they ask for.
    void fitWidth(int width) {
        const QMargins margins = columns_->contentsMargins();
        const int both = first_->sizeHint().width() + second_->sizeHint().width() + margins.left() +
                         margins.right() + fontMetrics().averageCharWidth() * 2 + 2 * columns_->spacing();
        const auto direction = width >= both ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
        if (columns_->direction() != direction) columns_->setDirection(direction);
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        fitWidth(event->size().width());
    }

  private:
    QGridLayout* first_;
    QGridLayout* second_;
    QBoxLayout* columns_ = nullptr;
};

}  // namespace

void PasswordsView::buildWidgets(QComboBox* windowFilterBox) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The list above, the editor below; the user moves the line between them. The editor scrolls
    // when the window is too low for all of its boxes.
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("splitPasswords"));
    splitter_->setChildrenCollapsible(false);
    layout->addWidget(splitter_);

    // The search box above the list.
    auto* listArea = new QWidget(splitter_);
    listArea->setObjectName(QStringLiteral("listArea"));
    auto* listLayout = new QVBoxLayout(listArea);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto* searchRow = new QHBoxLayout;
    auto* searchLabel = new QLabel(QStringLiteral("Searc&h"), listArea);
    searchLabel->setObjectName(QStringLiteral("lblSearch"));
    searchBox = new SearchBox(listArea);
    searchBox->setAccessibleName(QStringLiteral("Search"));
    searchLabel->setBuddy(searchBox);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(searchBox, 1);
    listLayout->addLayout(searchRow);

    entryList = new QTreeView(listArea);
    entryList->setObjectName(QStringLiteral("lstUser"));
    entryList->setAccessibleName(QStringLiteral("Entries"));
    entryList->setAccessibleDescription(
        QStringLiteral("Up and Down choose an entry; the column headings before the list sort it"));
    auto* headings = new KeyboardHeader(entryList);
    model_ = new EntryListModel(this);
    entryList->setModel(model_);
    entryList->setItemDelegate(new ReadableTextDelegate(entryList));
    entryList->setRootIsDecorated(false);
    entryList->setItemsExpandable(false);
    entryList->setUniformRowHeights(true);
    entryList->setAllColumnsShowFocus(true);
    entryList->setSelectionMode(QAbstractItemView::SingleSelection);
    entryList->setSelectionBehavior(QAbstractItemView::SelectRows);
    entryList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    entryList->setSortingEnabled(false);
    headings->setStretchLastSection(false);
    headings->setSectionResizeMode(QHeaderView::Interactive);
    headings->setMinimumSectionSize(0);
    headings->setSectionsMovable(false);
    for (int column = 0; column < EntryListModel::ColumnCount; ++column)
        headings->resizeSection(column, TwipsToPixels(kColumnTwips[column]));
    entryList->setMinimumHeight(entryList->fontMetrics().height() * 4);
    listLayout->addWidget(entryList, 1);
    splitter_->addWidget(listArea);

    filterBox = windowFilterBox;
    filterBox->setEditable(true);
    filterBox->setInsertPolicy(QComboBox::NoInsert);
    filterBox->setCompleter(nullptr);
    filterBox->setMinimumContentsLength(16);

    auto* editorScroll = new QScrollArea(splitter_);
    editorScroll->setObjectName(QStringLiteral("editorScroll"));
    editorScroll->setFocusPolicy(Qt::NoFocus);  // the boxes take the focus, not the area around them
    editorScroll_ = editorScroll;
    editorScroll->setWidgetResizable(true);
    editorScroll->setFrameShape(QFrame::NoFrame);
    KeepFocusInView(editorScroll);  // Tab, Alt+letter or a click in a low window

    auto* first = new QGridLayout;
    auto* second = new QGridLayout;
    auto addRow = [this](QGridLayout* grid, int row, const char* labelName, const QString& caption,
                         QWidget* box, QWidget* named = nullptr) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setBuddy(named != nullptr ? named : box);
        (named != nullptr ? named : box)->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
    };
    auto lineEdit = [this](const char* name) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };

    categoryBox = new QComboBox(this);
    categoryBox->setObjectName(QStringLiteral("cboCategory"));
    categoryBox->setEditable(false);
    descriptionBox = lineEdit("txtUserDesc");
    userCodeBox = lineEdit("txtUserCode");
    // The password boxes keep their text out of the X selection, whatever they show.
    passwordBox = new SecretBox(this);
    passwordBox->setObjectName(QStringLiteral("txtUserpass"));
    passwordBox->setEchoMode(QLineEdit::Password);
    confirmBox = new SecretBox(this);
    confirmBox->setObjectName(QStringLiteral("txtuserconfirm"));
    confirmBox->setEchoMode(QLineEdit::Password);
    notesBox = new QPlainTextEdit(this);
    notesBox->setObjectName(QStringLiteral("txtSource"));
    notesBox->setTabChangesFocus(true);
    notesBox->setFixedHeight(notesBox->fontMetrics().lineSpacing() * 4 + 12);
    expiryBox = lineEdit("txtExpiry");
    webSiteBox = lineEdit("txtWeb");
    emailBox = lineEdit("txtEmail");

    // The category box with the NEW marker after it, so that the marker takes no column of its own.
    auto* categoryRow = new QWidget(this);
    auto* categoryLayout = new QHBoxLayout(categoryRow);
    categoryLayout->setContentsMargins(0, 0, 0, 0);
    categoryBox->setParent(categoryRow);
    categoryLayout->addWidget(categoryBox, 1);
    newEntryLabel = new QLabel(kNewMarker, categoryRow);
    newEntryLabel->setObjectName(QStringLiteral("lblNewUser"));
    categoryLayout->addWidget(newEntryLabel);
    addRow(first, 0, "lblCategory", QStringLiteral("&Category"), categoryRow, categoryBox);
    addRow(first, 1, "lblUserDesc", QStringLiteral("&Description"), descriptionBox);
    addRow(first, 2, "lblUserCode", QStringLiteral("&User/Account Code"), userCodeBox);

    // The password box with the copy button beside it.
    auto* passwordRow = new QWidget(this);
    auto* passwordLayout = new QHBoxLayout(passwordRow);
    passwordLayout->setContentsMargins(0, 0, 0, 0);
    passwordBox->setParent(passwordRow);
    passwordLayout->addWidget(passwordBox, 1);
    copyButton = new QToolButton(passwordRow);
    copyButton->setObjectName(QStringLiteral("cmdCopyClip"));
    copyButton->setToolTip(kCopyToolTip);
    copyButton->setIcon(copyIcon());
    copyButton->setAutoRaise(true);
    copyButton->setAccessibleName(QStringLiteral("Copy password"));
    copyButton->setFocusPolicy(Qt::StrongFocus);
    passwordLayout->addWidget(copyButton);
    addRow(first, 3, "lblUserpass", QStringLiteral("Pass&word/PIN"), passwordRow, passwordBox);

    // The password's strength under it, as it is typed.
    strengthLabel = new StrengthLabel(this);
    first->addWidget(strengthLabel, 4, 1);
    addRow(first, 5, "lblUserConfirm", QStringLiteral("Con&firm Password/PIN"), confirmBox);
    generatorOptions_ = new GeneratorOptionsRow(folder(), this);
    addRow(first, 6, "lblLength", QStringLiteral("Generated len&gth"), generatorOptions_,
           generatorOptions_->lengthBox());
    addRow(second, 0, "lblSource", QStringLiteral("&Notes"), notesBox);
    addRow(second, 1, "lblExpiry", QStringLiteral("Any E&xpiry Date"), expiryBox);
    addRow(second, 2, "lblWeb", QStringLiteral("Web &Site"), webSiteBox);
    addRow(second, 3, "lblEmail", QStringLiteral("E&mail"), emailBox);
    for (QGridLayout* grid : {first, second}) {
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(grid->rowCount(), 1);
    }

    QFont bold = newEntryLabel->font();
    bold.setBold(true);
    newEntryLabel->setFont(bold);
    ShowInWarningRed(newEntryLabel);
    newEntryLabel->hide();

    auto* editor = new EditorColumns(first, second, editorScroll);
    editor_ = editor;
    editorScroll->setWidget(editor);
    editorScroll->setMinimumHeight(entryList->fontMetrics().height() * 4);
    splitter_->addWidget(editorScroll);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { splitSet_ = true; });
    splitter_->installEventFilter(this);

    // Tab follows the screen: the search box, the list's headings and rows, then the editor's
    // columns. The copy button comes after the confirmation, so that typing a new password and
    // its confirmation stays one Tab apart.
    auto* symbols = generatorOptions_->findChild<QWidget*>(QStringLiteral("chkSymbols"));
    ChainTabOrder({searchBox, headings, entryList, categoryBox, descriptionBox, userCodeBox, passwordBox,
                   confirmBox, copyButton, generatorOptions_->lengthBox(), symbols, notesBox, expiryBox,
                   webSiteBox, emailBox});
}

void PasswordsView::setSplit(const QList<int>& sizes) {
    splitter_->setSizes(sizes);
    splitSet_ = true;
}

// The list's height for `rows` rows with its heading, scroll bar and search box.
int PasswordsView::listHeightFor(int rows) const {
    const int row = std::max(entryList->sizeHintForRow(0), entryList->fontMetrics().height() + 2);
    const int list = entryList->header()->sizeHint().height() + row * rows +
                     entryList->horizontalScrollBar()->sizeHint().height() + 2 * entryList->frameWidth() + 2;
    // The search box stands above the list.
    return list + searchBox->sizeHint().height() + std::max(0, splitter_->widget(0)->layout()->spacing());
}

// "300,240": the heights the user left; nothing when the setting holds anything else.
std::optional<QList<int>> PasswordsView::savedSplit() {
    std::u16string value;
    if (!folder().readSetting(kSettingEntrySplit, value)) return std::nullopt;
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

// The first showing puts back the heights the user left; without them the editor gets the
// height of all its boxes and the list the rest, as long as the list keeps its fewest rows.
void PasswordsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (splitSet_) return;
    if (const std::optional<QList<int>> sizes = savedSplit()) {
        setSplit(*sizes);
        return;
    }
    splitSet_ = true;
    static_cast<EditorColumns*>(editor_)->fitWidth(width());
    const int total = splitter_->height() - splitter_->handleWidth();
    const int least = splitter_->widget(1)->minimumHeight();
    const int wanted = editor_->sizeHint().height() + 2 * editorScroll_->frameWidth();
    const int editor = std::clamp(wanted, least, std::max(least, total - listHeightFor(kFewestListRows)));
    splitter_->setSizes({total - editor, editor});
}

// A lower window takes the height from the editor (which then scrolls) before the list drops
// below its fewest rows.
void PasswordsView::keepFewestRows() {
    const QList<int> sizes = splitter_->sizes();
    if (sizes.size() != 2) return;
    const int missing = listHeightFor(kFewestListRows) - sizes[0];
    const int spare = sizes[1] - splitter_->widget(1)->minimumHeight();
    const int moved = std::min(missing, spare);
    if (moved > 0) splitter_->setSizes({sizes[0] + moved, sizes[1] - moved});
}

}  // namespace keyloft
