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
    EXPECT_EQ(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    // A second copy replaces the first.
    clipboard.setSecretText(QStringLiteral("other"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "other");
}

}  // namespace
}  // namespace keyloft::platform
