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

void PasswordsView::buildWidgets(QComboBox* filterBox) {
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
    txtSearch = new SearchBox(listArea);
    txtSearch->setAccessibleName(QStringLiteral("Search"));
    searchLabel->setBuddy(txtSearch);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(txtSearch, 1);
    listLayout->addLayout(searchRow);

    lstUser = new QTreeView(listArea);
    lstUser->setObjectName(QStringLiteral("lstUser"));
    lstUser->setAccessibleName(QStringLiteral("Entries"));
    lstUser->setAccessibleDescription(
        QStringLiteral("Up and Down choose an entry; the column headings before the list sort it"));
    auto* headings = new KeyboardHeader(lstUser);
    model_ = new EntryListModel(this);
    lstUser->setModel(model_);
    lstUser->setItemDelegate(new ReadableTextDelegate(lstUser));
    lstUser->setRootIsDecorated(false);
    lstUser->setItemsExpandable(false);
    lstUser->setUniformRowHeights(true);
    lstUser->setAllColumnsShowFocus(true);
    lstUser->setSelectionMode(QAbstractItemView::SingleSelection);
    lstUser->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstUser->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstUser->setSortingEnabled(false);
    headings->setStretchLastSection(false);
    headings->setSectionResizeMode(QHeaderView::Interactive);
    headings->setMinimumSectionSize(0);
    headings->setSectionsMovable(false);
    for (int column = 0; column < EntryListModel::ColumnCount; ++column)
        headings->resizeSection(column, TwipsToPixels(kColumnTwips[column]));
    lstUser->setMinimumHeight(lstUser->fontMetrics().height() * 4);
    listLayout->addWidget(lstUser, 1);
    splitter_->addWidget(listArea);

    cboFilter = filterBox;
    cboFilter->setEditable(true);
    cboFilter->setInsertPolicy(QComboBox::NoInsert);
    cboFilter->setCompleter(nullptr);
    cboFilter->setMinimumContentsLength(16);

    auto* editorScroll = new QScrollArea(splitter_);
    editorScroll->setObjectName(QStringLiteral("editorScroll"));
    editorScroll->setFocusPolicy(Qt::NoFocus);  // the boxes take the focus, not the area around them
    editorScroll_ = editorScroll;
    editorScroll->setWidgetResizable(true);
    editorScroll->setFrameShape(QFrame::NoFrame);
    KeepFocusInView(editorScroll);  // Tab, Alt+letter or a click in a low window

    auto* first = new QGridLayout;
    auto* second = new QGridLayout;
    auto addRow = [this](QGridLayout* grid, int row, const char* labelName, const QString& caption, QWidget* box,
                         QWidget* named = nullptr) {
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
    lblNewUser->setObjectName(QStringLiteral("lblNewUser"));
    categoryLayout->addWidget(lblNewUser);
    addRow(first, 0, "lblCategory", QStringLiteral("&Category"), categoryRow, cboCategory);
    addRow(first, 1, "lblUserDesc", QStringLiteral("&Description"), txtUserDesc);
    addRow(first, 2, "lblUserCode", QStringLiteral("&User/Account Code"), txtUserCode);

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
    addRow(first, 3, "lblUserpass", QStringLiteral("Pass&word/PIN"), passwordRow, txtUserpass);

    // The password's strength under it, as it is typed.
    lblStrength = new StrengthLabel(this);
    first->addWidget(lblStrength, 4, 1);
    addRow(first, 5, "lblUserConfirm", QStringLiteral("Con&firm Password/PIN"), txtuserconfirm);
    generatorOptions_ = new GeneratorOptionsRow(store(), this);
    addRow(first, 6, "lblLength", QStringLiteral("Generated len&gth"), generatorOptions_,
           generatorOptions_->lengthBox());
    addRow(second, 0, "lblSource", QStringLiteral("&Notes"), txtSource);
    addRow(second, 1, "lblExpiry", QStringLiteral("Any E&xpiry Date"), txtExpiry);
    addRow(second, 2, "lblWeb", QStringLiteral("Web &Site"), txtWeb);
    addRow(second, 3, "lblEmail", QStringLiteral("E&mail"), txtEmail);
    for (QGridLayout* grid : {first, second}) {
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(grid->rowCount(), 1);
    }

    QFont bold = lblNewUser->font();
    bold.setBold(true);
    lblNewUser->setFont(bold);
    ShowInWarningRed(lblNewUser);
    lblNewUser->hide();

    auto* editor = new EditorColumns(first, second, editorScroll);
    editor_ = editor;
    editorScroll->setWidget(editor);
    editorScroll->setMinimumHeight(lstUser->fontMetrics().height() * 4);
    splitter_->addWidget(editorScroll);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { splitSet_ = true; });
    splitter_->installEventFilter(this);

    // Tab follows the screen: the search box, the list's headings and rows, then the editor's
    // columns. The copy button comes after the confirmation, so that typing a new password and
    // its confirmation stays one Tab apart.
    auto* symbols = generatorOptions_->findChild<QWidget*>(QStringLiteral("chkSymbols"));
    ChainTabOrder({txtSearch, headings, lstUser, cboCategory, txtUserDesc, txtUserCode, txtUserpass, txtuserconfirm,
                   cmdCopyClip, generatorOptions_->lengthBox(), symbols, txtSource, txtExpiry, txtWeb, txtEmail});
}

void PasswordsView::setSplit(const QList<int>& sizes) {
    splitter_->setSizes(sizes);
    splitSet_ = true;
}

// The list's height for `rows` rows with its heading, scroll bar and search box.
int PasswordsView::listHeightFor(int rows) const {
    const int row = std::max(lstUser->sizeHintForRow(0), lstUser->fontMetrics().height() + 2);
    const int list = lstUser->header()->sizeHint().height() + row * rows +
                     lstUser->horizontalScrollBar()->sizeHint().height() + 2 * lstUser->frameWidth() + 2;
    // The search box stands above the list.
    return list + txtSearch->sizeHint().height() + std::max(0, splitter_->widget(0)->layout()->spacing());
}

// "300,240": the heights the user left; nothing when the setting holds anything else.
std::optional<QList<int>> PasswordsView::savedSplit() {
    std::u16string value;
    if (!store().readSetting(kSettingEntrySplit, value)) return std::nullopt;
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
