#include "entries/entry_list_model.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <numeric>

namespace keyloft {

namespace {
const QString kHeadings[EntryListModel::ColumnCount] = {
    QStringLiteral("Category"),     QStringLiteral("Description"), QStringLiteral("User/Account "),
    QStringLiteral("Password/Pin"), QStringLiteral("Notes"),       QStringLiteral("Expiry Date"),
    QStringLiteral("Web Site"),     QStringLiteral("Email")};
}  // namespace

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent) {}

QString EntryListModel::heading(int column) { return kHeadings[column]; }

const QString& EntryListModel::mask() {
    static const QString text = QStringLiteral("**********");
    return text;
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return index.column() == Password ? mask() : row.cells[static_cast<std::size_t>(index.column())];
        case Qt::ForegroundRole: {
            // Ordinary rows take the palette's text colour, which reads on any theme; the list's
            // delegate draws the red as it reads on the list's background.
            static const QBrush red(QColor(255, 0, 0));
            return row.red ? QVariant(red) : QVariant();
        }
        case RowPositionRole:
            return row.position;
        default:
            return {};
    }
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return kHeadings[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void EntryListModel::setRows(std::vector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    if (sortingOn_)
        std::stable_sort(rows_.begin(), rows_.end(),
                         [this](const Row& a, const Row& b) { return sortsBefore(a, b); });
    endResetModel();
}

void EntryListModel::clear() { setRows({}); }

void EntryListModel::removeRowAt(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void EntryListModel::sortByHeading(int column) {
    if (column < 0 || column >= ColumnCount) return;
    sortingOn_ = true;
    order_ = order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortColumn_ = column;
    applySort();
}

bool EntryListModel::sortsBefore(const Row& a, const Row& b) const {
    // Text order of the key column, letter case aside; equal texts keep their order.
    if (sortColumn_ == Password) return false;  // every cell shows the same mask
    const auto c = static_cast<std::size_t>(sortColumn_);
    return order_ == Qt::AscendingOrder ? a.cells[c].compare(b.cells[c], Qt::CaseInsensitive) < 0
                                        : b.cells[c].compare(a.cells[c], Qt::CaseInsensitive) < 0;
}

void EntryListModel::applySort() {
    // Rows move, selections follow them.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return sortsBefore(rows_[static_cast<std::size_t>(a)], rows_[static_cast<std::size_t>(b)]);
    });

    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newRowOf(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
        newRowOf[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    rows_ = std::move(sorted);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(index.isValid()
                         ? createIndex(newRowOf[static_cast<std::size_t>(index.row())], index.column())
                         : QModelIndex());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace keyloft
