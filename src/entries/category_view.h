#pragma once
// The category view (inside fraCategory): the list of the profile's category names, the name box
// and the New marker, with Add, Save and Delete of the record toolbar.

#include <string>
#include <string_view>

#include <QWidget>

#include "pages/view_hooks.h"

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace keyloft {

class ViewHost;

class CategoryView : public QWidget, public CategoryViewApi {
    Q_OBJECT
public:
    CategoryView(ViewHost& host, QWidget* parent);

    void onShowCategory(bool bol) override;
    void FillCategoryList() override;
    void beginNewCategory() override;
    void DeleteCategory() override;
    void SaveCategory() override;
    void ForgetProfile() override;

    // Stores the name box's text as a new category or as the new name of the selected one.
    bool SaveCategory(bool isNew);

    QTreeWidget* lstCategory;
    QLineEdit* txtCategory;
    QLabel* lblNewCategory;

private:
    void lstCategory_Click();
    void txtCategory_Change();
    void lstCategory_ColumnClick(int column);
    void message(std::u16string text);

    ViewHost& host_;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace keyloft
