#include "entries_test_support.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include "app/main_window.h"
#include "support/gui_widget_helpers.h"

#include <QItemSelectionModel>
#include <QTreeView>

#include "entries/entry_list_model.h"
#include "platform/platform_core.h"
#include "store/profile.h"

namespace keyloft::testing {

PasswordsViewTest::PasswordsViewTest() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    storeHost = std::make_unique<StoreHost>(storeDialogs);
    const std::filesystem::path path(folder.path().toStdU16String());
    files = platform::CreateHostFileSystem();
    settings = platform::CreateSettingsStoreIn(path);
    window = std::make_unique<MainWindow>(WindowServicesIn(path, dialogs, *files, *settings, clock));
    window->store().setDatabaseFolder(path);
    parts = AssembleWindow(*window, clipboard, shell, [] { return today(); });
    view = parts->passwords;
    store = &window->store();
    // Every change of the list's rows is checked against the model rules as the tests go.
    modelTester = std::make_unique<QAbstractItemModelTester>(
        view->listModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    LogOnToNewProfile(*window, u"test");
}

PasswordsViewTest::~PasswordsViewTest() {
    modelTester.reset();
    window->SetDirty(false);
    parts.reset();
    window.reset();
    QLocale::setDefault(savedLocale_);
}

std::u16string PasswordsViewTest::entry(const QString& category, const QString& description, const QString& userCode,
                                        const QString& password, const QString& notes, const QString& expiry,
                                        const QString& web, const QString& email) {
    return QStringList{QStringLiteral("4"), category, description, userCode, password, notes, expiry, web, email}
        .join(u'|')
        .toStdU16String();
}

void PasswordsViewTest::setEntries(const std::vector<std::u16string>& entries, const std::vector<QString>& categories) {
    Profile& profile = store->profile();
    profile.entries = entries;
    profile.categories.clear();
    for (const QString& name : categories)
        profile.categories.add(u"C" + name.toUpper().toStdU16String(), u"3|" + name.toStdU16String());
    ASSERT_EQ(store->WriteToFile().outcome, SaveOutcome::Saved);
}

std::vector<std::u16string> PasswordsViewTest::entriesOnDisk() {
    EXPECT_TRUE(store->ReadFromFile().loaded());
    return store->profile().entries;
}

std::vector<std::u16string> PasswordsViewTest::entriesAfterRestart() {
    store->CloseHeldFile();
    const std::filesystem::path path(folder.path().toStdU16String());
    ProfileStore fresh(*storeHost, *files, *settings, clock, path);
    fresh.setDatabaseFolder(path);
    EXPECT_TRUE(fresh.OpenProfile(u"test").loaded());
    return fresh.profile().entries;
}

void PasswordsViewTest::openView() { press("Passwords"); }

void PasswordsViewTest::press(const char* key) {
    ASSERT_TRUE(triggerEnabled(window.get(), QString::fromLatin1(key))) << key;
}

QString PasswordsViewTest::statusText() const { return window->StatusBar1->currentMessage(); }

int PasswordsViewTest::rowOf(const QString& userCode) const {
    const EntryListModel* model = view->listModel();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, EntryListModel::UserCode).data().toString() == userCode) return row;
    return -1;
}

QString PasswordsViewTest::cell(int row, int column) const {
    return view->listModel()->index(row, column).data().toString();
}

void PasswordsViewTest::clickRow(int row) {
    view->lstUser->selectionModel()->setCurrentIndex(view->listModel()->index(row, 0),
                                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->SelectEntryRow();
}

void LogOnToNewProfile(MainWindow& window, const std::u16string& name) {
    ASSERT_TRUE(window.store().CreateProfile(name));
    window.Form_Load();
    ASSERT_TRUE(triggerEnabled(&window, QStringLiteral("Unlock")));
    auto* profiles = child<QComboBox>(&window, QStringLiteral("cboProfile"));
    ASSERT_NE(profiles, nullptr);
    profiles->setCurrentIndex(profiles->findText(QString::fromStdU16String(name)));
    child<QPushButton>(&window, QStringLiteral("cmdNext"))->click();
    child<QLineEdit>(&window, QStringLiteral("txtPass"))->setText(QStringLiteral("opensesame"));
    child<QPushButton>(&window, QStringLiteral("cmdLogin"))->click();
    ASSERT_TRUE(window.logonAccepted());
}

AppServices WindowServicesIn(const std::filesystem::path& folder, Dialogs& dialogs, FileSystem& files,
                             SettingsStore& settings, const Clock& clock) {
    AppServices services;
    services.dialogs = &dialogs;
    services.files = &files;
    services.settings = &settings;
    services.clock = &clock;
    services.applicationFolder = folder;
    services.wait = [](int) {};
    services.endProgram = [] {};
    services.openUrl = [](const QUrl&) { return true; };
    services.trayAvailable = [] { return false; };
    services.chooseFolder = [](const QString&) { return QString(); };
    return services;
}

}  // namespace keyloft::testing
