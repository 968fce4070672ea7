#include "app/app_start.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QSystemTrayIcon>

#include "app/frm_new_main.h"
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
    return true;
}

int RunKeyloft(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Keyloft"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/keyloft.svg")));

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
    services.applicationFolder = platform::ApplicationFolder();
    services.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    services.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    services.chooseFolder = [](const QString& start) {
        return QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                                 QStringLiteral("Choose the folder that holds the profiles"), start);
    };

    frmNewMain window(services);
    window.Form_Load();
    return QApplication::exec();
}

}  // namespace keyloft
