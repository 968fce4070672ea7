// The category view inside the real main window, reached from the setup view and driven through
// the record toolbar.
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "entries_test_support.h"
#include "store/profile_store.h"
#include "support/profile_seeding.h"

namespace keyloft::testing {
namespace {

const QString kDeleteQuestion = QStringLiteral("Are you sure you wish to delete this entry?");

class CategoryInWindowTest : public PasswordsViewTest {
  protected:
    void SetUp() override {
        PasswordsViewTest::SetUp();
        setEntries({u"4|Bank|Current|alice|pw1||||", u"4|Home|Router|bob|pw2||||"}, {"Bank", "Home"});
    }

    void toolbar1(const char* key) { ASSERT_TRUE(press(key)); }
    void toolbar2(const char* key) { ASSERT_TRUE(press(key)); }
    void openCategories() {
        toolbar1("Setup");
        find<QPushButton>("cmdCategory")->click();
        ASSERT_TRUE(frameShown("fraCategory"));
        ASSERT_FALSE(frameShown("fraSecurityOptions"));
    }
    QStringList rows() {
        QStringList names;
        for (int i = 0; i < find<QTreeWidget>("lstCategory")->topLevelItemCount(); ++i)
            names << find<QTreeWidget>("lstCategory")->topLevelItem(i)->text(0);
        return names;
    }
    void clickRow(const QString& name) {
        const QList<QTreeWidgetItem*> found =
            find<QTreeWidget>("lstCategory")->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTreeWidget* list = find<QTreeWidget>("lstCategory");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
    }
    void typeName(const QString& name) {
        find<QLineEdit>("txtCategory")->clear();
        QTest::keyClicks(find<QLineEdit>("txtCategory"), name);
    }
    // The categories and entries as the profile file holds them.
    QStringList categoriesOnDisk() {
        EXPECT_TRUE(window->store().open().reload().loaded());
        QStringList names;
        for (const Category& category : window->store().open().profile().categories)
            names << QString::fromStdU16String(category.name);
        return names;
    }
    static QStringList items(const QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
        return texts;
    }
    void expectViewReset() {
        EXPECT_TRUE(find<QLineEdit>("txtCategory")->isHidden());
        EXPECT_TRUE(find<QLineEdit>("txtCategory")->text().isEmpty());
        EXPECT_TRUE(find<QLabel>("lblNewCategory")->isHidden());
        EXPECT_FALSE(window->isDirty());
        EXPECT_TRUE(button("Add")->isEnabled());
        EXPECT_FALSE(button("Save")->isEnabled());
        EXPECT_TRUE(find<QTreeWidget>("lstCategory")->selectedItems().isEmpty());
    }
};

TEST_F(CategoryInWindowTest, TheViewOpensFromSetupWithItsListAndClosesBackToSetup) {
    openCategories();
    EXPECT_EQ(find<QTreeWidget>("lstCategory")->headerItem()->text(0), QStringLiteral("Category"));
    EXPECT_EQ(find<QTreeWidget>("lstCategory")->columnCount(), 1);
    // At least its old width, and the whole list's.
    EXPECT_GE(find<QTreeWidget>("lstCategory")->columnWidth(0), 6562 / 15);
    EXPECT_GE(find<QTreeWidget>("lstCategory")->columnWidth(0),
              find<QTreeWidget>("lstCategory")->viewport()->width() - 1);
    EXPECT_EQ(find<QLabel>("lblNewCategory")->text(), QStringLiteral("New"));
    EXPECT_EQ(rows(), (QStringList{"Bank", "Home"}));
    EXPECT_TRUE(find<QLineEdit>("txtCategory")->isHidden());
    EXPECT_FALSE(button("Delete")->isEnabled());

    clickRow(QStringLiteral("Home"));
    EXPECT_FALSE(find<QLineEdit>("txtCategory")->isHidden());
    EXPECT_EQ(find<QLineEdit>("txtCategory")->text(), QStringLiteral("Home"));
    EXPECT_TRUE(button("Delete")->isEnabled());
    EXPECT_FALSE(window->isDirty()) << "showing a row's name is not an edit";

    find<QPushButton>("cmdCloseCategory")->click();
    EXPECT_FALSE(frameShown("fraCategory"));
    EXPECT_TRUE(frameShown("fraSecurityOptions"));
    EXPECT_FALSE(button("Add")->isVisible());
}

TEST_F(CategoryInWindowTest, EmptyAndRefusedNamesStoreNothingAndResetTheView) {
    openCategories();
    const struct {
        QString typed;
        QString message;
    } refused[] = {
        {QString(), QStringLiteral("You have not specified a Category!")},
        {QStringLiteral("   "), QStringLiteral("You have not specified a Category!")},
        {QStringLiteral("Ba|nk"), QStringLiteral("The character | cannot be used here.")},
        {QStringLiteral("Bank"), QStringLiteral("This Category already exists!")},
        {QStringLiteral(" bANK "), QStringLiteral("This Category already exists!")},
    };
    for (const auto& attempt : refused) {
        SCOPED_TRACE(attempt.typed.toStdString());
        toolbar2("Add");
        EXPECT_FALSE(find<QLabel>("lblNewCategory")->isHidden());
        if (attempt.typed.isEmpty()) {
            // Typed and rubbed out again: Save is on, the name empty.
            typeName(QStringLiteral("x"));
            find<QLineEdit>("txtCategory")->clear();
        } else {
            typeName(attempt.typed);
        }
        dialogs.expect(attempt.message);
        toolbar2("Save");
        EXPECT_EQ(dialogs.last().title, u"Keyloft");
        EXPECT_EQ(dialogs.last().buttons, MessageButtons::Ok);
        expectViewReset();
        EXPECT_EQ(rows(), (QStringList{"Bank", "Home"}));
    }
    EXPECT_EQ(categoriesOnDisk(), (QStringList{"Bank", "Home"}));
}

TEST_F(CategoryInWindowTest, RenamingIsRefusedOntoAnotherNameInAnyCaseButMayChangeItsOwnCase) {
    openCategories();
    clickRow(QStringLiteral("Home"));
    typeName(QStringLiteral("BANK"));
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(button("Save")->isEnabled());
    dialogs.expect(QStringLiteral("This Category already exists!"));
    toolbar2("Save");
    expectViewReset();
    EXPECT_EQ(categoriesOnDisk(), (QStringList{"Bank", "Home"}));

    clickRow(QStringLiteral("Bank"));
    typeName(QStringLiteral("BANK"));
    toolbar2("Save");
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(rows(), (QStringList{"Home", "BANK"}));
    EXPECT_EQ(categoriesOnDisk(), (QStringList{"Home", "BANK"}));
}

TEST_F(CategoryInWindowTest, ARenamedCategoryMovesToTheEndAndEntriesKeepTheOldName) {
    openCategories();
    clickRow(QStringLiteral("Bank"));
    typeName(QStringLiteral("  Banking "));
    toolbar2("Save");
    EXPECT_TRUE(dialogs.shown().empty());
    expectViewReset();
    EXPECT_EQ(rows(), (QStringList{"Home", "Banking"}));
    EXPECT_EQ(categoriesOnDisk(), (QStringList{"Home", "Banking"}));
    EXPECT_EQ(entriesOnDisk()[0], u"4|Bank|Current|alice|pw1||||");

    // The entry editor and the filter offer the new name, not the old one.
    toolbar1("Passwords");
    EXPECT_EQ(items(find<QComboBox>("cboCategory")).mid(1), (QStringList{"Home", "Banking"}));
    EXPECT_EQ(items(find<QComboBox>("cboFilter")).mid(1), (QStringList{"Home", "Banking"}));
}

TEST_F(CategoryInWindowTest, ANewCategoryIsAddedAtTheEndAndOfferedByTheEditorAndFilter) {
    openCategories();
    toolbar2("Add");
    EXPECT_FALSE(button("Save")->isEnabled());
    typeName(QStringLiteral("Travel"));
    EXPECT_TRUE(button("Save")->isEnabled());
    toolbar2("Save");
    EXPECT_TRUE(dialogs.shown().empty());
    expectViewReset();
    EXPECT_EQ(rows(), (QStringList{"Bank", "Home", "Travel"}));
    EXPECT_EQ(categoriesOnDisk(), (QStringList{"Bank", "Home", "Travel"}));

    toolbar1("Passwords");
    EXPECT_TRUE(items(find<QComboBox>("cboCategory")).contains(QStringLiteral("Travel")));
    EXPECT_TRUE(items(find<QComboBox>("cboFilter")).contains(QStringLiteral("Travel")));
    EXPECT_EQ(find<QComboBox>("cboFilter")->count(), 4);
}

TEST_F(CategoryInWindowTest, ANewNameWhoseKeyALoadedCategoryHoldsIsStillStored) {
    ASSERT_TRUE(Saved(window->store().edits().addCategory(u"Cmail")));
    EXPECT_TRUE(window->store().open().reload().loaded());
    openCategories();
    toolbar2("Add");
    typeName(QStringLiteral("mail"));
    toolbar2("Save");
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(rows(), (QStringList{"Bank", "Home", "Cmail", "mail"}));
    EXPECT_EQ(categoriesOnDisk(), (QStringList{"Bank", "Home", "Cmail", "mail"}));
}

TEST_F(CategoryInWindowTest, DeleteRemovesTheCategoryAndLeavesItsEntries) {
    openCategories();
    // Without a chosen row there is nothing to delete.
    toolbar2("Add");
    typeName(QStringLiteral("Bank"));
    EXPECT_FALSE(button("Delete")->isEnabled());
    EXPECT_EQ(categoriesOnDisk(), (QStringList{"Bank", "Home"}));
    toolbar2("Cancel");
    expectViewReset();

    clickRow(QStringLiteral("Bank"));
    dialogs.expect(kDeleteQuestion, MessageAnswer::No);
    toolbar2("Delete");
    EXPECT_EQ(rows(), (QStringList{"Bank", "Home"}));

    dialogs.expect(kDeleteQuestion, MessageAnswer::Yes);
    toolbar2("Delete");
    EXPECT_EQ(rows(), (QStringList{"Home"}));
    EXPECT_TRUE(find<QLineEdit>("txtCategory")->isHidden());
    EXPECT_TRUE(find<QLineEdit>("txtCategory")->text().isEmpty());
    EXPECT_EQ(categoriesOnDisk(), (QStringList{"Home"}));
    const std::vector<std::u16string> entries = entriesOnDisk();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], u"4|Bank|Current|alice|pw1||||");
}

TEST_F(CategoryInWindowTest, HeadingClicksSortInTurnAndLaterFillsStaySorted) {
    ASSERT_TRUE(Saved(window->store().edits().addCategory(u"Auto")));
    openCategories();
    EXPECT_EQ(rows(), (QStringList{"Bank", "Home", "Auto"}));
    QHeaderView* header = find<QTreeWidget>("lstCategory")->header();
    emit header->sectionClicked(0);
    const QStringList first = rows();
    emit header->sectionClicked(0);
    const QStringList second = rows();
    const QStringList ascending{"Auto", "Bank", "Home"};
    const QStringList descending{"Home", "Bank", "Auto"};
    EXPECT_TRUE((first == ascending && second == descending) || (first == descending && second == ascending))
        << first.join(',').toStdString() << " then " << second.join(',').toStdString();

    toolbar2("Add");
    typeName(QStringLiteral("Cars"));
    toolbar2("Save");
    EXPECT_EQ(rows().indexOf(QStringLiteral("Cars")), 2) << rows().join(',').toStdString();
}

}  // namespace
}  // namespace keyloft::testing
