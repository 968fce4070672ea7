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
#include "store/profile_store.h"

namespace keyloft {
namespace {

constexpr int kColumnTwips = 6562;

}  // namespace

CategoryView::CategoryView(PageServices services, QWidget* parent) : Page(std::move(services), parent) {
    setObjectName(QStringLiteral("categoryBoxes"));

    lstCategory = new QTreeWidget(this);
    lstCategory->setObjectName(QStringLiteral("lstCategory"));
    auto* headings = new KeyboardHeader(lstCategory);
    lstCategory->setColumnCount(1);
    lstCategory->setHeaderLabels({QStringLiteral("Category")});
    lstCategory->setColumnWidth(0, TwipsToPixels(kColumnTwips));
    lstCategory->setRootIsDecorated(false);
    lstCategory->setItemsExpandable(false);
    lstCategory->setUniformRowHeights(true);
    lstCategory->setSelectionMode(QAbstractItemView::SingleSelection);
    // The one column fills the list's width.
    headings->setStretchLastSection(true);

    txtCategory = new QLineEdit(this);
    txtCategory->setObjectName(QStringLiteral("txtCategory"));
    txtCategory->setAccessibleName(QStringLiteral("Category name"));
    lstCategory->setAccessibleName(QStringLiteral("Categories"));
    lstCategory->setAccessibleDescription(QStringLiteral("Choose a category to rename or delete it"));
    lblNewCategory = new QLabel(QStringLiteral("New"), this);
    lblNewCategory->setObjectName(QStringLiteral("lblNewCategory"));
    QFont bold = lblNewCategory->font();
    bold.setBold(true);
    lblNewCategory->setFont(bold);
    txtCategory->hide();
    lblNewCategory->hide();

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(txtCategory, 1);
    nameRow->addWidget(lblNewCategory);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(lstCategory, 1);
    column->addLayout(nameRow);

    ChainTabOrder({headings, lstCategory, txtCategory});

    connect(lstCategory, &QTreeWidget::itemClicked, this, [this] { onRowClicked(); });
    lstCategory->installEventFilter(this);
    connect(txtCategory, &QLineEdit::textChanged, this, [this] { onNameChanged(); });
    connect(lstCategory->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { onHeadingClicked(section); });
}

void CategoryView::pageShown(bool shown) {
    if (!shown) return;
    const FillGuard guard(*this);
    txtCategory->hide();
    txtCategory->clear();
    lblNewCategory->hide();
    refresh();
}

void CategoryView::refresh() {
    const FillGuard guard(*this);
    lstCategory->clear();
    for (const Category& category : store().profile().categories) {
        new QTreeWidgetItem(lstCategory, QStringList{QString::fromStdU16String(category.name)});
    }
    if (lstCategory->isSortingEnabled()) lstCategory->sortItems(lstCategory->sortColumn(), sortOrder_);
    lstCategory->clearSelection();
    lstCategory->setCurrentItem(nullptr);
}

void CategoryView::onRowClicked() {
    const FillGuard guard(*this);
    const QList<QTreeWidgetItem*> selected = lstCategory->selectedItems();
    if (!selected.isEmpty()) {
        txtCategory->setText(selected.first()->text(0));
        txtCategory->show();
    }
    if (!TrimmedText(txtCategory->text()).empty()) {
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
    if (watched == lstCategory && event->type() == QEvent::KeyPress && lstCategory->selectedItems().isEmpty() &&
        lstCategory->currentItem() != nullptr) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Space)) {
            lstCategory->currentItem()->setSelected(true);
            onRowClicked();
            return true;
        }
    }
    if (watched == lstCategory && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool moves = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Home ||
                           key->key() == Qt::Key_End || key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
        if (moves && !key->isAutoRepeat() && !lstCategory->selectedItems().isEmpty()) onRowClicked();
    }
    return Page::eventFilter(watched, event);
}

void CategoryView::onHeadingClicked(int column) {
    sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    // Sorting stays on for later fills of the list.
    const QSignalBlocker blocker(lstCategory->header());
    lstCategory->setSortingEnabled(true);
    lstCategory->sortByColumn(column, sortOrder_);
}

void CategoryView::add() {
    txtCategory->show();
    txtCategory->clear();
    lblNewCategory->show();
    CommandStates states;
    states.remove = false;
    emit commandsChanged(states);
    txtCategory->setFocus();
}

void CategoryView::message(std::u16string text) {
    MessageRequest request;
    request.text = std::move(text);
    dialogs().showMessage(request);
}

bool CategoryView::save() { return saveCategory(!lblNewCategory->isHidden()); }

bool CategoryView::saveCategory(bool isNew) {
    const std::u16string name = TrimmedText(txtCategory->text());
    const CategoryList& categories = store().profile().categories;
    std::size_t ownPosition = 0;
    if (!isNew) {
        const QList<QTreeWidgetItem*> selected = lstCategory->selectedItems();
        if (!selected.isEmpty())
            ownPosition = categories.find(TrimmedText(selected.first()->text(0)));
    }
    const EditResult edit =
        editStore([&](ProfileStore& store) { return store.renameCategory(ownPosition, name); });
    if (edit.refusal) {
        message(*edit.refusal);
        return false;
    }
    // A lock-out by another user's save leaves nothing to list.
    if (carryOutSave(*edit.save) == SaveOutcome::ConflictLockedOut) return false;
    txtCategory->clear();
    refresh();
    return true;
}

void CategoryView::forgetProfile() {
    const FillGuard guard(*this);
    lstCategory->clear();
    EmptyBox(txtCategory);
    txtCategory->hide();
    lblNewCategory->hide();
}

void CategoryView::remove() {
    if (lstCategory->selectedItems().isEmpty()) return;
    const std::size_t position = store().profile().categories.find(TrimmedText(txtCategory->text()));
    const EditResult edit = editStore([position](ProfileStore& store) { return store.removeCategory(position); });
    if (carryOutSave(*edit.save) == SaveOutcome::ConflictLockedOut) return;
    delete lstCategory->selectedItems().first();
    txtCategory->hide();
    const FillGuard guard(*this);
    txtCategory->clear();
}

}  // namespace keyloft
