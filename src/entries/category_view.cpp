#include "entries/category_view.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "pages/keyboard_header.h"
#include "pages/tab_order.h"
#include "pages/text_rules.h"
#include "store/entry.h"
#include "store/profile.h"
#include "store/profile_edits.h"

namespace keyloft {
namespace {

constexpr int kColumnTwips = 6562;

}  // namespace

CategoryView::CategoryView(PageServices services, QWidget* parent) : Page(std::move(services), parent) {
    setObjectName(QStringLiteral("categoryBoxes"));

    categoryList = new QTreeWidget(this);
    categoryList->setObjectName(QStringLiteral("lstCategory"));
    auto* headings = new KeyboardHeader(categoryList);
    categoryList->setColumnCount(1);
    categoryList->setHeaderLabels({QStringLiteral("Category")});
    categoryList->setColumnWidth(0, TwipsToPixels(kColumnTwips));
    categoryList->setRootIsDecorated(false);
    categoryList->setItemsExpandable(false);
    categoryList->setUniformRowHeights(true);
    categoryList->setSelectionMode(QAbstractItemView::SingleSelection);
    // The one column fills the list's width.
    headings->setStretchLastSection(true);

    categoryNameBox = new QLineEdit(this);
    categoryNameBox->setObjectName(QStringLiteral("txtCategory"));
    categoryNameBox->setAccessibleName(QStringLiteral("Category name"));
    categoryList->setAccessibleName(QStringLiteral("Categories"));
    categoryList->setAccessibleDescription(QStringLiteral("Choose a category to rename or delete it"));
    newCategoryLabel = new QLabel(QStringLiteral("New"), this);
    newCategoryLabel->setObjectName(QStringLiteral("lblNewCategory"));
    QFont bold = newCategoryLabel->font();
    bold.setBold(true);
    newCategoryLabel->setFont(bold);
    categoryNameBox->hide();
    newCategoryLabel->hide();

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(categoryNameBox, 1);
    nameRow->addWidget(newCategoryLabel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(categoryList, 1);
    column->addLayout(nameRow);

    ChainTabOrder({headings, categoryList, categoryNameBox});

    connect(categoryList, &QTreeWidget::itemClicked, this, [this] { onRowClicked(); });
    categoryList->installEventFilter(this);
    connect(categoryNameBox, &QLineEdit::textChanged, this, [this] { onNameChanged(); });
    connect(categoryList->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { onHeadingClicked(section); });
}

void CategoryView::pageShown(bool shown) {
    if (!shown) return;
    const FillGuard guard(*this);
    categoryNameBox->hide();
    categoryNameBox->clear();
    newCategoryLabel->hide();
    refresh();
}

void CategoryView::refresh() {
    const FillGuard guard(*this);
    categoryList->clear();
    for (const Category& category : opened().profile().categories) {
        new QTreeWidgetItem(categoryList, QStringList{QString::fromStdU16String(category.name)});
    }
    if (categoryList->isSortingEnabled()) categoryList->sortItems(categoryList->sortColumn(), sortOrder_);
    categoryList->clearSelection();
    categoryList->setCurrentItem(nullptr);
}

void CategoryView::onRowClicked() {
    const FillGuard guard(*this);
    const QList<QTreeWidgetItem*> selected = categoryList->selectedItems();
    if (!selected.isEmpty()) {
        categoryNameBox->setText(selected.first()->text(0));
        categoryNameBox->show();
    }
    if (!TrimmedText(categoryNameBox->text()).empty()) {
        CommandStates states;
        states.remove = true;
        emit commandsChanged(states);
    }
}

void CategoryView::onNameChanged() { markChanged(); }

// Moving through the list with the keyboard chooses a row as a click does.
bool CategoryView::eventFilter(QObject* watched, QEvent* event) {
    // Reached by Tab the list marks its first row without choosing it: the first Up, Down or
    // Space chooses that row.
    if (watched == categoryList && event->type() == QEvent::KeyPress &&
        categoryList->selectedItems().isEmpty() && categoryList->currentItem() != nullptr) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Space)) {
            categoryList->currentItem()->setSelected(true);
            onRowClicked();
            return true;
        }
    }
    if (watched == categoryList && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool moves = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
                           key->key() == Qt::Key_Home || key->key() == Qt::Key_End ||
                           key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
        if (moves && !key->isAutoRepeat() && !categoryList->selectedItems().isEmpty()) onRowClicked();
    }
    return Page::eventFilter(watched, event);
}

void CategoryView::onHeadingClicked(int column) {
    sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    // Sorting stays on for later fills of the list.
    const QSignalBlocker blocker(categoryList->header());
    categoryList->setSortingEnabled(true);
    categoryList->sortByColumn(column, sortOrder_);
}

void CategoryView::add() {
    categoryNameBox->show();
    categoryNameBox->clear();
    newCategoryLabel->show();
    CommandStates states;
    states.remove = false;
    emit commandsChanged(states);
    categoryNameBox->setFocus();
}

void CategoryView::message(std::u16string text) {
    MessageRequest request;
    request.text = std::move(text);
    dialogs().showMessage(request);
}

bool CategoryView::save() { return saveCategory(!newCategoryLabel->isHidden()); }

bool CategoryView::saveCategory(bool isNew) {
    const std::u16string name = TrimmedText(categoryNameBox->text());
    const CategoryList& categories = opened().profile().categories;
    std::size_t ownPosition = 0;
    if (!isNew) {
        const QList<QTreeWidgetItem*> selected = categoryList->selectedItems();
        if (!selected.isEmpty()) ownPosition = categories.find(TrimmedText(selected.first()->text(0)));
    }
    const EditResult edit =
        editStore([&](ProfileEdits& edits) { return edits.renameCategory(ownPosition, name); });
    if (edit.refusal) {
        message(*edit.refusal);
        return false;
    }
    // A lock-out by another user's save leaves nothing to list.
    if (carryOutSave(*edit.save) == SaveOutcome::ConflictLockedOut) return false;
    categoryNameBox->clear();
    refresh();
    return true;
}

void CategoryView::forgetProfile() {
    const FillGuard guard(*this);
    categoryList->clear();
    EmptyBox(categoryNameBox);
    categoryNameBox->hide();
    newCategoryLabel->hide();
}

void CategoryView::remove() {
    if (categoryList->selectedItems().isEmpty()) return;
    const std::size_t position = opened().profile().categories.find(TrimmedText(categoryNameBox->text()));
    const EditResult edit =
        editStore([position](ProfileEdits& edits) { return edits.removeCategory(position); });
    if (carryOutSave(*edit.save) == SaveOutcome::ConflictLockedOut) return;
    delete categoryList->selectedItems().first();
    categoryNameBox->hide();
    const FillGuard guard(*this);
    categoryNameBox->clear();
}

}  // namespace keyloft
