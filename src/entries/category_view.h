#pragma once
// The category view (inside fraCategory): the list of the profile's category names, the name box
// and the New marker, with Add, Save and Delete of the record toolbar.

#include <string>
#include <string_view>

#include <QWidget>

#include "pages/page.h"

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace keyloft {

class CategoryView : public Page {
    Q_OBJECT
  public:
    CategoryView(PageServices services, QWidget* parent);

    // The page: shown with the name box hidden and the list filled; Add shows the empty name box
    // with the New marker; Save stores the name (a new category when the marker shows); Delete
    // removes the chosen category.
    void pageShown(bool shown) override;
    void refresh() override;
    void add() override;
    bool save() override;
    void remove() override;
    void forgetProfile() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Stores the name box's text as a new category or as the new name of the selected one.
    bool saveCategory(bool isNew);
    void onRowClicked();
    void onNameChanged();
    void onHeadingClicked(int column);
    void message(std::u16string text);

    QTreeWidget* categoryList;
    QLineEdit* categoryNameBox;
    QLabel* newCategoryLabel;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace keyloft
