#include "platform/qt_shell.h"

#include <QDesktopServices>

namespace keyloft::platform {

namespace {

class DesktopShell final : public Shell {
  public:
    bool open(const QString& item) override {
        const QUrl url = ShellUrl(item);
        return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
    }
};

}  // namespace

QUrl ShellUrl(const QString& item) {
    if (item.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive))
        return QUrl(item, QUrl::TolerantMode);
    return QUrl::fromUserInput(item);
}

Shell& SystemShell() {
    static DesktopShell shell;
    return shell;
}

}  // namespace keyloft::platform
