#include "app/app_start.h"

#include <algorithm>
#include <string_view>

#include <QApplication>
#include <QCoreApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDesktopServices>
#include <QFileDialog>
#include <QSystemTrayIcon>

#include "app/data_folder.h"
#include "app/main_window.h"
#include "app/window_assembly.h"
#include "keyloft_version.h"
#include "platform/qt_shell.h"
#include "platform/qt_clipboard.h"
#include "platform/platform_core.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_single_instance.h"

namespace keyloft {

bool RefuseSecondInstance(platform::SingleInstanceGuard& guard, Dialogs& dialogs) {
    if (guard.tryAcquire()) {
        return false;
    }
    MessageRequest request;
    request.text = kAlreadyRunningText;
    request.title = kAlreadyRunningTitle;
    request.icon = MessageIcon::Critical;
    dialogs.showMessage(request);
    guard.askRunningCopyToShow();
    return true;
}

namespace {

// Reads the command line; --help and --version print and end the program here.
void ProcessCommandLine(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Keyloft keeps accounts, user codes and passwords in encrypted profiles, one file each in\n"
        "a database folder that one user or a few colleagues share. Profiles are chosen, unlocked\n"
        "and edited in the window; keyloft-cli works on the same files from the command line."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
}

bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        for (const char* option : {"-h", "-?", "--help", "--help-all", "-v", "--version"}) {
            if (argument == option) return true;
        }
    }
    return false;
}

void NameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Keyloft"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KEYLOFT_VERSION_STRING));
}

}  // namespace

int RunKeyloft(int argc, char** argv) {
    // --help and --version need no display: they are answered before the window application,
    // which cannot start without one, exists.
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication app(argc, argv);
        NameApplication();
        ProcessCommandLine(app);
    }

    QApplication app(argc, argv);
    NameApplication();
    QApplication::setDesktopFileName(QStringLiteral("org.keyloft.Keyloft"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/keyloft.svg")));
    ProcessCommandLine(app);  // an unknown option is refused here, before the single-instance check

    platform::QtDialogs dialogs([] { return QApplication::activeWindow(); });
    platform::SingleInstanceGuard guard;
    if (RefuseSecondInstance(guard, dialogs)) {
        return 0;
    }

    std::unique_ptr<FileSystem> files = platform::CreateHostFileSystem();
    std::unique_ptr<SettingsStore> settings = platform::CreateUserSettingsStore();
    SystemClock clock;

    AppServices services;
    services.dialogs = &dialogs;
    services.files = files.get();
    services.settings = settings.get();
    services.clock = &clock;
    services.clipboard = &platform::SystemClipboard();
    services.applicationFolder = platform::ApplicationFolder();
    services.defaultDatabaseFolder = platform::DefaultDatabaseFolder(services.applicationFolder);
    services.dataFolder = FindDataFolder(services.applicationFolder);
    services.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    services.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    services.chooseFolder = [](const QString& start) {
        return QFileDialog::getExistingDirectory(
            QApplication::activeWindow(), QStringLiteral("Choose the folder that holds the profiles"), start);
    };
    services.chooseImportFile = [](const QString& start) {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(),
                                            QStringLiteral("Import entries from a file"), start,
                                            QStringLiteral("Exports (*.csv *.json);;All files (*)"));
    };

    MainWindow window(services);
    // A later start brings this window to the front.
    guard.listenForShowRequests(&window, [&window] { window.bringToFront(); });

    // The pages and desktop pieces that live in the window.
    std::unique_ptr<WindowParts> parts =
        AssembleWindow(window, platform::SystemShell(), [] { return QDate::currentDate(); });
    // A parked window is hidden, not closed: only closing the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &MainWindow::windowClosed, &app, &QApplication::quit, Qt::QueuedConnection);
    window.load();
    const int result = QApplication::exec();
    parts.reset();
    return result;
}

}  // namespace keyloft
