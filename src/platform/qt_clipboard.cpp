#include "platform/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace keyloft::platform {

namespace {

class SystemClipboardImpl final : public Clipboard {
public:
    void setSecretText(const QString& text) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        auto* data = new QMimeData;
        data->setText(text);
#ifdef _WIN32
        // Keeps the text out of the clipboard history and cloud clipboard.
        data->setData(QStringLiteral("application/x-qt-windows-mime;value=\"ExcludeClipboardContentFromMonitorProcessing\""),
                      QByteArray(4, '\0'));
#else
        // Clipboard managers that honour it keep the text out of their history.
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
#endif
        clipboard->setMimeData(data);  // the clipboard takes ownership
    }

    QString text() const override { return QGuiApplication::clipboard()->text(); }
};

}  // namespace

Clipboard& SystemClipboard() {
    static SystemClipboardImpl clipboard;
    return clipboard;
}

}  // namespace keyloft::platform
