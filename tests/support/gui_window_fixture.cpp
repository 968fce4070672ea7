#include "support/gui_window_fixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include "platform/platform_core.h"
#include "store/profile_store.h"
#include "support/profile_seeding.h"
#include "support/quick_sealing.h"
#include "support/quiet_host.h"
#include "support/record_values.h"

namespace keyloft::testing {
namespace {

// Host of the stores that stand for other instances: nothing may be shown.
void NothingMayBeShown(const MessageRequest& request) {
    ADD_FAILURE() << "message from another instance's store: "
                  << QString::fromStdU16String(request.text).toStdString();
}

}  // namespace

void WindowTest::SetUp() {
    ASSERT_TRUE(temp.isValid());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    clock.time = LocalTime{2026, 6, 15, 10, 0, 0, 0};
    folder = std::filesystem::path(temp.path().toStdU16String());
    files = platform::CreateHostFileSystem();
    settings = platform::CreateSettingsStoreIn(folder / "settings");
}

void WindowTest::TearDown() {
    parts.reset();
    if (window) {
        window->setDirty(false);
        window.reset();
    }
    QLocale::setDefault(savedLocale_);
}

void WindowTest::writeProfile(const ProfileOnDisk& wanted) {
    QuietHost host;
    host.onMessage = NothingMayBeShown;
    std::unique_ptr<FileSystem> ownFiles = platform::CreateHostFileSystem();
    ProfileStore store(host, *ownFiles, *settings, clock, folder);
    store.folder().setDatabaseFolder(folder);
    ASSERT_TRUE(store.open().createProfile(wanted.name));
    ASSERT_TRUE(store.open().openProfile(wanted.name).loaded());
    RewriteProfileFile(store, [&wanted](Profile& p) {
        p.logonMode = wanted.logonMode;
        p.userId = wanted.userId;
        p.password = wanted.password;
        p.pin = wanted.pin;
        p.answerMode = wanted.answerMode;
        p.questions.clear();
        for (const auto& [question, answer] : wanted.questions)
            p.questions.push_back(SecurityQuestion{question, answer});
    });
}

void WindowTest::otherInstanceSaves(const std::u16string& name, const std::function<void(Profile&)>& change) {
    if (window) window->store().open().closeHeldFile();
    QuietHost host;
    host.onMessage = NothingMayBeShown;
    std::unique_ptr<FileSystem> ownFiles = platform::CreateHostFileSystem();
    ProfileStore other(host, *ownFiles, *settings, clock, folder);
    other.folder().setDatabaseFolder(folder);
    ASSERT_TRUE(other.open().openProfile(name).loaded());
    RewriteProfileFile(other, change);
}

Profile WindowTest::profileOnDisk(const std::u16string& name) {
    if (window) window->store().open().closeHeldFile();
    QuietHost host;
    host.onMessage = NothingMayBeShown;
    std::unique_ptr<FileSystem> ownFiles = platform::CreateHostFileSystem();
    ProfileStore other(host, *ownFiles, *settings, clock, folder);
    other.folder().setDatabaseFolder(folder);
    EXPECT_TRUE(other.open().openProfile(name).loaded());
    return other.open().profile();
}

bool WindowTest::exists(const std::u16string& profileName) const {
    return std::filesystem::exists(folder / (profileName + u".dat"));
}

MainWindow& WindowTest::start() {
    AppServices services;
    services.dialogs = otherDialogs != nullptr ? otherDialogs : &dialogs;
    services.clipboard = &clipboard;
    services.files = files.get();
    services.settings = settings.get();
    services.clock = &clock;
    services.applicationFolder = folder;
    services.sealingLimits = sealingLimits;
    services.dataFolder = dataFolder;
    services.wait = [this](int milliseconds) {
        waits.push_back(milliseconds);
        if (duringWait) {
            duringWait();
        }
    };
    services.endProgram = [this] { ++endProgramCalls; };
    services.openUrl = [this](const QUrl& url) {
        openedUrls.push_back(url);
        return openUrlSucceeds;
    };
    services.trayAvailable = [this] { return trayAvailable; };
    services.chooseFolder = [this](const QString&) { return chosenFolder; };
    services.chooseImportFile = [this](const QString&) { return chosenImportFile; };
    services.openPrinter = openPrinter;
    services.askForPdf = askForPdf;
    window = std::make_unique<MainWindow>(services);
    if (assemble) {
        parts = AssembleWindow(*window, shell,
                               [this] { return QDate(clock.time.year, clock.time.month, clock.time.day); });
    }
    if (welcome != nullptr) window->setWelcomeAnimation(welcome);
    window->load();
    return *window;
}

void WindowTest::unlockAndChoose(const QString& profileName) {
    ASSERT_TRUE(press("Unlock"));
    auto* list = find<QComboBox>("cboProfile");
    ASSERT_NE(list, nullptr);
    const int index = list->findText(profileName);
    ASSERT_GE(index, 0) << profileName.toStdString() << " is not listed";
    list->setCurrentIndex(index);
    find<QPushButton>("cmdNext")->click();
}

void WindowTest::logOnAs(const ProfileOnDisk& wanted) {
    unlockAndChoose(QString::fromStdU16String(wanted.name));
    find<QLineEdit>("txtUser")->setText(QString::fromStdU16String(wanted.userId));
    find<QLineEdit>("txtPass")->setText(QString::fromStdU16String(wanted.password));
    find<QLineEdit>("txtPin")->setText(QString::fromStdU16String(wanted.pin));
    find<QPushButton>("cmdLogin")->click();
    waitForLogon();
    ASSERT_TRUE(window->logonAccepted());
}

void WindowTest::waitForLogon() {
    // An earlier logon's thread may wait for its deferred delete still.
    for (QThread* thread : window->findChildren<QThread*>()) thread->wait();
    QCoreApplication::processEvents();
}

bool WindowTest::frameShown(const char* name) {
    QWidget* frame = child<QWidget>(window.get(), QString::fromLatin1(name));
    return frame != nullptr && frame->isVisible();
}

EntryListModel* WindowTest::entryRows() {
    auto* list = find<QTreeView>("lstUser");
    return list != nullptr ? qobject_cast<EntryListModel*>(list->model()) : nullptr;
}

void WindowTest::fireTimer(const char* name) {
    auto* timer = find<QTimer>(name);
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
}

QString WindowTest::statusText() { return find<QStatusBar>("StatusBar1")->currentMessage(); }

}  // namespace keyloft::testing
