#pragma once
// The rows of the entry list: one row per listed entry, eight columns, the password masked,
// near-expiry rows red, and one hidden value per row (the entry's 1-based position in the
// profile's entries when the row was built). The rows hold no password: the mask is all they show.
// A near-expiry row is red (its Qt::ForegroundRole); the others have no colour of their own.

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

namespace keyloft {

class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Category, Description, UserCode, Password, Notes, ExpiryDate, WebSite, Email, ColumnCount };
    enum Role { RowPositionRole = Qt::UserRole + 1 };

    struct Row {
        // Cell texts by column; the Password cell is empty (shown as the mask).
        std::array<QString, ColumnCount> cells;
        int position = 0;
        bool red = false;
    };

    explicit EntryListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Replaces every row (sorted when sorting is on).
    void setRows(std::vector<Row> rows);
    void clear();
    void removeRowAt(int row);
    const Row& rowAt(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    const std::vector<Row>& rows() const { return rows_; }

    // A heading click: sorting on, the one direction reversed, the column made the key.
    void sortByHeading(int column);
    bool sortingOn() const { return sortingOn_; }
    Qt::SortOrder sortOrder() const { return order_; }
    int sortColumn() const { return sortColumn_; }

    static QString heading(int column);
    static const QString& mask();

  private:
    void applySort();
    bool sortsBefore(const Row& a, const Row& b) const;

    std::vector<Row> rows_;
    bool sortingOn_ = false;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    int sortColumn_ = 0;
};

}  // namespace keyloft
