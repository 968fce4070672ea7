// The entry list with a large profile: filling the boxes and the list (record splitting and expiry
// dates included), sorting on a heading click, filtering by category and one keystroke in the
// search box. Run offscreen.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMap>
#include <QTemporaryDir>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <memory>

#include "pages/page.h"
#include "entries/entry_list_model.h"
#include "entries/passwords_view.h"
#include "platform/platform_core.h"
#include "platform/qt_clipboard.h"
#include "store/file_system.h"
#include "store/profile_store.h"
#include "support/profile_seeding.h"
#include "support/quiet_host.h"
#include "support/record_values.h"

using keyloft::testing::RewriteAndReload;

namespace {

using namespace keyloft;

class NullClipboard : public platform::Clipboard {
  public:
    void setSecretText(const QString&) override {}
    QString text() const override { return {}; }
    bool clearIfOwn() override { return false; }
    bool clearSelectionIfOwn() override { return false; }
};

// 10,000 entries in 20 categories; expiry dates of every kind (short, ISO, card form, words, none).
std::vector<Entry> MakeEntries(int count) {
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    const QDate base(2026, 1, 1);
    const QLocale locale;
    for (int i = 0; i < count; ++i) {
        QString expiry;
        switch (i % 5) {
            case 0:
                expiry = locale.toString(base.addDays(i % 900), QLocale::ShortFormat);
                break;
            case 1:
                expiry = base.addDays(i % 700).toString(Qt::ISODate);
                break;
            case 2:
                expiry = QStringLiteral("%1/%2")
                             .arg(i % 12 + 1, 2, 10, QChar(u'0'))
                             .arg(i % 40, 2, 10, QChar(u'0'));
                break;
            case 3:
                expiry = QStringLiteral("never");
                break;
            default:
                break;
        }
        const auto text = [](const QString& value) { return value.toStdU16String(); };
        entries.push_back(Entry{text(QStringLiteral("Category %1").arg(i % 20)),
                                text(QStringLiteral("Description of account %1").arg(i)),
                                text(QStringLiteral("user%1@example.com").arg(i * 7919 % 10007)),
                                text(QStringLiteral("pw%1").arg(i)),
                                text(QStringLiteral("Some notes for entry %1").arg(i)), text(expiry),
                                text(QStringLiteral("https://site%1.example").arg(i)),
                                text(QStringLiteral("mail%1@example.org").arg(i))});
    }
    return entries;
}

struct Fixture {
    Fixture() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const std::filesystem::path path(folder.path().toStdU16String());
        files = platform::CreateHostFileSystem();
        settings = platform::CreateSettingsStoreIn(path);
        store = std::make_unique<ProfileStore>(host, *files, *settings, clock, path);
        store->folder().setDatabaseFolder(path);
        if (!store->open().createProfile(u"Bench") || !store->open().openProfile(u"Bench").loaded() ||
            !RewriteAndReload(*store, [](Profile& p) {
                 for (int c = 0; c < 20; ++c)
                     p.categories.add(QStringLiteral("Category %1").arg(c).toStdU16String());
                 p.entries = MakeEntries(10000);
             }).loaded()) {
            std::abort();
        }
        PageServices services{store->edits(),
                              store->open(),
                              store->folder(),
                              host,
                              [](const SaveResult& result) { return result.outcome; },
                              [] { return false; }};
        view = std::make_unique<PasswordsView>(
            std::move(services), clipboard, [] { return QDate(2026, 6, 15); }, nullptr, &filterBox);
        list = view->findChild<QTreeView*>(QStringLiteral("lstUser"));
        view->resize(1200, 800);
        view->pageShown(true);
        view->refresh();
        QApplication::processEvents();
    }
    QTemporaryDir folder;
    keyloft::testing::QuietHost host;
    SystemClock clock;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<ProfileStore> store;
    NullClipboard clipboard;
    QComboBox filterBox;  // the window's filter box
    std::unique_ptr<PasswordsView> view;
    QTreeView* list = nullptr;
};

std::unique_ptr<Fixture> shared;  // made once, after the application object, gone before it

Fixture& Shared() {
    if (!shared) shared = std::make_unique<Fixture>();
    return *shared;
}

void BM_RefreshEntryLists(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        f.view->refresh();
        QApplication::processEvents();
    }
    state.counters["rows"] = f.list->model()->rowCount();
}
BENCHMARK(BM_RefreshEntryLists)->Unit(benchmark::kMillisecond);

void BM_SortOnHeadingClick(benchmark::State& state) {
    Fixture& f = Shared();
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        emit f.list->header()->sectionClicked(column);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SortOnHeadingClick)
    ->Arg(EntryListModel::Description)
    ->Arg(EntryListModel::UserCode)
    ->Arg(EntryListModel::ExpiryDate)
    ->Unit(benchmark::kMillisecond);

void BM_FilterByCategory(benchmark::State& state) {
    Fixture& f = Shared();
    f.view->filter(true);
    int item = 1;
    for (auto _ : state) {
        f.filterBox.setCurrentIndex(item);  // a category, then back to <All>, in turn
        QApplication::processEvents();
        item = item == 0 ? 1 + (item + 7) % 20 : 0;
    }
    f.view->filter(false);
}
BENCHMARK(BM_FilterByCategory)->Unit(benchmark::kMillisecond);

// One keystroke in the search box: a letter typed after "account 12", then taken back, in turn;
// each lists the matching entries of 10,000 afresh (about 110 and 1,100 rows).
void BM_SearchKeystroke(benchmark::State& state) {
    Fixture& f = Shared();
    auto* search = f.view->findChild<QLineEdit*>(QStringLiteral("txtSearch"));
    search->setText(QStringLiteral("ACCOUNT 12"));
    bool typed = false;
    for (auto _ : state) {
        if (typed)
            search->backspace();
        else
            search->insert(QStringLiteral("3"));
        typed = !typed;
        QApplication::processEvents();
    }
    state.counters["rows"] = f.list->model()->rowCount();
    search->clear();
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    shared.reset();
    return 0;
}
