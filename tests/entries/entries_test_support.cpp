#include "entries_test_support.h"

#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeView>

#include "store/profile_store.h"
#include "support/profile_seeding.h"

namespace keyloft::testing {

void PasswordsViewTest::SetUp() {
    WindowTest::SetUp();
    assemble = true;
    writeProfile({.name = u"test"});
    start();
    // Every change of the list's rows is checked against the model rules as the tests go.
    modelTester = std::make_unique<QAbstractItemModelTester>(
        entryRows(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    logOnAs({.name = u"test"});
}

void PasswordsViewTest::TearDown() {
    modelTester.reset();
    WindowTest::TearDown();
}

std::u16string PasswordsViewTest::entry(const QString& category, const QString& description,
                                        const QString& userCode, const QString& password,
                                        const QString& notes, const QString& expiry, const QString& web,
                                        const QString& email) {
    return QStringList{
        QStringLiteral("4"), category, description, userCode, password, notes, expiry, web, email}
        .join(u'|')
        .toStdU16String();
}

void PasswordsViewTest::setEntries(const std::vector<std::u16string>& entries,
                                   const std::vector<QString>& categories) {
    ASSERT_TRUE(RewriteAndReload(store(), [&](Profile& profile) {
                    profile.entries = EntriesOf(entries);
                    profile.categories.clear();
                    for (const QString& name : categories) profile.categories.add(name.toStdU16String());
                }).loaded());
}

std::vector<std::u16string> PasswordsViewTest::entriesOnDisk() {
    EXPECT_TRUE(store().open().reload().loaded());
    return RecordsOf(store().open().profile().entries);
}

int PasswordsViewTest::rowOf(const QString& userCode) {
    const EntryListModel* model = entryRows();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, EntryListModel::UserCode).data().toString() == userCode) return row;
    return -1;
}

QString PasswordsViewTest::cell(int row, int column) {
    return entryRows()->index(row, column).data().toString();
}

void PasswordsViewTest::clickRow(int row) {
    auto* list = find<QTreeView>("lstUser");
    const QModelIndex index = entryRows()->index(row, EntryListModel::Description);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

void PasswordsViewTest::clickHeading(int column) {
    emit find<QTreeView>("lstUser")->header()->sectionClicked(column);
}

}  // namespace keyloft::testing
