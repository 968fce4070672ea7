#include "platform/qt_clipboard.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QMimeData>

namespace keyloft::platform {

namespace {

// A digest of the copied text, so that the program can tell its own copy again without keeping
// the password itself.
QByteArray Digest(const QString& text) {
    return QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(text.utf16()), text.size() * 2),
        QCryptographicHash::Sha256);
}

class SystemClipboardImpl final : public Clipboard {
  public:
    void setSecretText(const QString& text) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        auto* data = new QMimeData;
        data->setText(text);
#ifdef _WIN32
        // Keeps the text from clipboard monitors, out of the clipboard history and off the cloud
        // clipboard (each format a DWORD; zero says no).
        for (const char* format : kWindowsSecretFormats) {
            data->setData(QString::fromLatin1(format), QByteArray(4, '\0'));
        }
#else
        // Clipboard managers that honour it keep the text out of their history.
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
#endif
        clipboard->setMimeData(data);  // the clipboard takes ownership
        own_ = data;
        ownDigest_ = Digest(text);
    }

    QString text() const override { return QGuiApplication::clipboard()->text(); }

    bool clearIfOwn() override {
        if (own_ == nullptr) return false;
        QClipboard* clipboard = QGuiApplication::clipboard();
        // While the program owns the clipboard, Qt hands back the very data it was given; a copy
        // made since by anyone replaced it (and a new object at the same address would not hold
        // the same text as well).
        const QMimeData* now = clipboard->mimeData();
        const bool ours = now == own_ && Digest(now->text()) == ownDigest_;
        own_ = nullptr;
        ownDigest_.clear();
        if (ours) clipboard->clear();
        return ours;
    }

    bool clearSelectionIfOwn() override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard->supportsSelection() || !clipboard->ownsSelection()) return false;
        clipboard->clear(QClipboard::Selection);
        return true;
    }

  private:
    const QMimeData* own_ = nullptr;  // compared, never followed: the clipboard may have deleted it
    QByteArray ownDigest_;
};

}  // namespace

Clipboard& SystemClipboard() {
    static SystemClipboardImpl clipboard;
    return clipboard;
}

}  // namespace keyloft::platform
