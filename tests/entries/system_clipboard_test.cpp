#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include "platform/qt_clipboard.h"

namespace keyloft::platform {
namespace {

TEST(SystemClipboardTest, CopiedPasswordIsMarkedSecret) {
    Clipboard& clipboard = SystemClipboard();
    clipboard.setSecretText(QStringLiteral("Tr0ub4dor"));
    EXPECT_EQ(clipboard.text(), "Tr0ub4dor");
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), "Tr0ub4dor");
#ifdef _WIN32
    for (const char* format : kWindowsSecretFormats) {
        EXPECT_EQ(data->data(QString::fromLatin1(format)), QByteArray(4, '\0')) << format;
    }
#else
    EXPECT_EQ(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
#endif
    // A second copy replaces the first.
    clipboard.setSecretText(QStringLiteral("other"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "other");
}

// Keyloft takes back its own copy only: once anything else is on the clipboard, it stays.
TEST(SystemClipboardTest, ClearIfOwnLeavesWhatWasCopiedSince) {
    Clipboard& clipboard = SystemClipboard();
    clipboard.setSecretText(QStringLiteral("Tr0ub4dor"));
    EXPECT_TRUE(clipboard.clearIfOwn());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_FALSE(clipboard.clearIfOwn());  // taken back once

    clipboard.setSecretText(QStringLiteral("Tr0ub4dor"));
    QGuiApplication::clipboard()->setText(QStringLiteral("copied elsewhere"));
    EXPECT_FALSE(clipboard.clearIfOwn());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "copied elsewhere");
}

}  // namespace
}  // namespace keyloft::platform
