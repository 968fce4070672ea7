// The secret boxes (logon password and PIN, answers, an entry's password and its confirmation):
// selecting in them with the mouse or the keys works as in any box, and leaves the X primary
// selection as it was. Where the platform has no primary selection (offscreen), the selecting is
// what is checked; under X (QT_QPA_PLATFORM=xcb) the primary selection is checked as well.
#include "pages/secret_box.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <vector>

namespace keyloft {
namespace {

struct Selected {
    QString text;
    int start;
    int cursor;
    bool operator==(const Selected&) const = default;
};

Selected SelectionOf(const QLineEdit& box) {
    return {box.selectedText(), box.selectionStart(), box.cursorPosition()};
}

// A point inside the box at the left edge of character `at`.
QPoint At(const QLineEdit& box, int at) {
    return QPoint(box.contentsMargins().left() + 3 + box.fontMetrics().horizontalAdvance(box.text().left(at)),
                  box.height() / 2);
}

TEST(SecretBox, SelectsAsAPlainBoxDoesAndLeavesThePrimarySelectionAlone) {
    struct Case {
        const char* name;
        std::function<void(QLineEdit&)> select;
    };
    const auto keys = [](std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> pressed) {
        return [pressed](QLineEdit& box) {
            for (const auto& [key, modifiers] : pressed) QTest::keyClick(&box, key, modifiers);
        };
    };
    const auto drag = [](int from, int to) {
        return [from, to](QLineEdit& box) {
            QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, At(box, from));
            QTest::mouseMove(&box, At(box, to));
            QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, At(box, to));
        };
    };
    const Case cases[] = {
        {"Shift+Left three times", keys({{Qt::Key_Left, Qt::ShiftModifier},
                                         {Qt::Key_Left, Qt::ShiftModifier},
                                         {Qt::Key_Left, Qt::ShiftModifier}})},
        {"Shift+Home", keys({{Qt::Key_Home, Qt::ShiftModifier}})},
        {"Home, then Shift+End", keys({{Qt::Key_Home, Qt::NoModifier}, {Qt::Key_End, Qt::ShiftModifier}})},
        {"Ctrl+Shift+Left", keys({{Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier}})},
        {"Home, Ctrl+Shift+Right",
         keys({{Qt::Key_Home, Qt::NoModifier}, {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier}})},
        {"Ctrl+A", keys({{Qt::Key_A, Qt::ControlModifier}})},
        {"Ctrl+A, then typing over it, then Ctrl+Z", keys({{Qt::Key_A, Qt::ControlModifier},
                                                           {Qt::Key_X, Qt::NoModifier},
                                                           {Qt::Key_Z, Qt::ControlModifier}})},
        {"a drag to the right", drag(2, 9)},
        {"a drag to the left", drag(9, 2)},
        {"a double click on a word",
         [](QLineEdit& box) { QTest::mouseDClick(&box, Qt::LeftButton, {}, At(box, 8)); }},
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QLineEdit plain;
        SecretBox secret;
        for (QLineEdit* box : {&plain, static_cast<QLineEdit*>(&secret)}) {
            box->setText(QStringLiteral("fluffy the cat"));
            box->resize(300, 30);
            box->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
        }
        c.select(plain);
        if (clipboard->supportsSelection())
            clipboard->setText(QStringLiteral("chosen elsewhere"), QClipboard::Selection);
        c.select(secret);
        EXPECT_EQ(SelectionOf(secret), SelectionOf(plain));
        EXPECT_FALSE(secret.selectedText().isEmpty());
        if (clipboard->supportsSelection()) {
            EXPECT_EQ(clipboard->text(QClipboard::Selection), QStringLiteral("chosen elsewhere"));
        }
    }

    // Ctrl+C still copies what is selected, to the clipboard only.
    SecretBox answer;
    answer.setText(QStringLiteral("nether wallop"));
    answer.selectAll();
    QTest::keyClick(&answer, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("nether wallop"));
}

}  // namespace
}  // namespace keyloft
