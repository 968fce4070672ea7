// The window's layout at small sizes, the size and split it remembers, and where the pop-up opens.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QToolBar>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include "entries/passwords_view.h"
#include "store/profile.h"
#include "support/gui_window_fixture.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft::testing {
namespace {

class Layout : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        assemble = true;
        writeProfile({.name = u"Shared"});
        otherInstanceSaves(u"Shared", [](Profile& p) {
            for (int i = 0; i < 40; ++i)
                p.entries.push_back(EntryOf(u"4||Entry " + QString::number(i).toStdU16String() +
                                            u"|user|pw|||https://example.org/|someone@example.org"));
        });
    }
    void logOnToPasswords() {
        start();
        logOnAs({.name = u"Shared"});
        ASSERT_TRUE(press("Passwords"));
    }
    int visibleListRows() {
        QTreeView* list = find<QTreeView>("lstUser");
        return list->viewport()->height() / list->sizeHintForRow(0);
    }
};

TEST_F(Layout, At640By520TheListKeepsEightRowsAndTheEditorScrolls) {
    logOnToPasswords();
    window->resize(640, 520);
    QApplication::processEvents();
    EXPECT_GE(visibleListRows(), 8) << "list height " << find<QTreeView>("lstUser")->viewport()->height();
    // The boxes keep their order without overlapping; what does not fit scrolls.
    const QRect notes = find<QPlainTextEdit>("txtSource")->geometry();
    const QRect expiry = find<QLineEdit>("txtExpiry")->geometry();
    EXPECT_LE(notes.bottom(), expiry.top());
    EXPECT_NE(find<QScrollArea>("editorScroll"), nullptr);
    // The NEW marker takes no column of its own: the boxes keep their column's width.
    ASSERT_TRUE(press("Add"));
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->width(), find<QLineEdit>("txtUserCode")->width());
    EXPECT_GE(find<QLineEdit>("txtUserDesc")->geometry().right(),
              find<QLabel>("lblNewUser")->geometry().left() - 200);
}

TEST_F(Layout, TheCategoryColumnFillsTheList) {
    logOnToPasswords();
    ASSERT_TRUE(press("Setup"));
    find<QPushButton>("cmdCategory")->click();
    QApplication::processEvents();
    QTreeWidget* list = find<QTreeWidget>("lstCategory");
    EXPECT_GE(list->columnWidth(0), list->viewport()->width() - 1);
}

TEST_F(Layout, SizeAndSplitAreRememberedInTheSettings) {
    logOnToPasswords();
    window->resize(700, 560);
    QApplication::processEvents();
    auto* splitter = find<QSplitter>("splitPasswords");
    splitter->setSizes({240, 144});  // the list above its eight rows, which a restart would restore
    QApplication::processEvents();
    const int listHeight = splitter->sizes()[0];
    dialogs.answerNext(MessageAnswer::Yes);  // nothing unsaved; a question would be answered anyway
    window->close();
    dialogs.reset();
    parts.reset();
    window.reset();

    std::u16string value;
    ASSERT_TRUE(settings->read(kSettingWindowSize, value));
    EXPECT_EQ(value, u"700x560");

    logOnToPasswords();
    QApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(700, 560));
    EXPECT_EQ(find<QSplitter>("splitPasswords")->sizes()[0], listHeight);
}

TEST_F(Layout, ThePopupOpensBesideTheWindowAndNamesItsEntry) {
    logOnToPasswords();
    // The test screen is 800 pixels wide: no room on the window's right, room on its left.
    window->resize(640, 520);
    window->move(450, 20);
    QApplication::processEvents();
    QTreeView* list = find<QTreeView>("lstUser");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(3, 1)).center());
    ASSERT_TRUE(press("Show"));
    auto* popup = find<QWidget>("frmshowpass");
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(child<QLabel>(popup, QStringLiteral("lblTitle"))->text(), QStringLiteral("Entry 3"));
    // Not over the toolbar: beside the window, top edges level.
    const QRect frame = window->frameGeometry();
    EXPECT_FALSE(frame.intersects(popup->frameGeometry()))
        << popup->x() << "," << popup->y() << " window " << frame.x() << "," << frame.width();
    EXPECT_LT(popup->frameGeometry().right(), frame.left());
    EXPECT_EQ(popup->y(), frame.top());

    // No room on either side: over the window's lower right corner, clear of the toolbars.
    popup->close();
    QApplication::processEvents();
    window->move(0, 0);
    window->resize(760, 560);
    QApplication::processEvents();
    ASSERT_TRUE(press("Show"));
    ASSERT_TRUE(popup->isVisible());
    const QRect wide = window->frameGeometry();
    const QRect toolbars =
        find<QToolBar>("Toolbar2")->geometry().united(find<QToolBar>("Toolbar1")->geometry());
    EXPECT_TRUE(wide.contains(popup->frameGeometry())) << popup->x() << "," << popup->y();
    EXPECT_GT(popup->y(), window->mapToGlobal(toolbars.bottomLeft()).y());
    EXPECT_GT(popup->x(), wide.center().x() - popup->width());

    // A link that no program opens is reported.
    shell.opens = false;
    dialogs.expect(u"No program could open https://example.org/.");
    QTest::mouseClick(child<QLabel>(popup, QStringLiteral("lblWeb")), Qt::LeftButton);
    EXPECT_EQ(dialogs.pending(), 0u);
    dialogs.expect(u"No program could open mailto:someone@example.org.");
    QTest::mouseClick(child<QLabel>(popup, QStringLiteral("lblEmail")), Qt::LeftButton);
    EXPECT_EQ(dialogs.pending(), 0u);
}

}  // namespace
}  // namespace keyloft::testing
