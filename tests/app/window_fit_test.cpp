// The window at any font size and screen scale: in no view is a caption or a box cut, and the
// window stays on its screen; at the default size the passwords view shows all of its editor.
// (ctest runs these tests a second time at QT_SCALE_FACTOR=2 on a 1280x1024 screen.)
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTreeView>

#include "support/gui_window_fixture.h"
#include "support/record_values.h"

namespace keyloft::testing {
namespace {

class WindowFit : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        assemble = true;
        writeProfile(
            {.name = u"Shared",
             .logonMode = 3,
             .questions = {
                 {u"What was the name of the street where you lived when you were ten years old", u"Elm"},
                 {u"Pet", u"Rex"}}});
        otherInstanceSaves(u"Shared", [](Profile& p) {
            for (int i = 0; i < 30; ++i)
                p.entries.push_back(EntryOf(u"4||Entry " + QString::number(i).toStdU16String() +
                                            u"|a-rather-long-user-code@example.org|pw||||"));
            static_cast<void>(p.categories.add(u"Bank"));
        });
    }
    void TearDown() override {
        WindowTest::TearDown();
        QApplication::setFont(savedFont_);
    }
    // Nothing cut in the shown view, and the window within the screen's room.
    void expectFits(const char* view) {
        QApplication::processEvents();
        EXPECT_EQ(ClippedControls(window.get()).join(QStringLiteral("; ")).toStdString(), "")
            << "in the " << view << " view";
        const QRect room = window->screen()->availableGeometry();
        EXPECT_LE(window->width(), room.width()) << view;
        EXPECT_LE(window->height(), room.height()) << view;
    }
    // With the answer to the long question, or with the logon details.
    void logOnToThe(const char* command) {
        for (const char* box : {"txtUser", "txtPass", "txtPin"})
            find<QLineEdit>(box)->setText(QStringLiteral("opensesame"));
        find<QLineEdit>("txtAns")->setText(QStringLiteral("Elm"));
        find<QPushButton>("cmdLogin")->click();
        waitForLogon();
        ASSERT_TRUE(press(command));
    }

    QFont savedFont_ = QApplication::font();
};

TEST_F(WindowFit, NothingIsCutAtTheUsualAndALargeFont) {
    for (const int points : {9, 16}) {
        SCOPED_TRACE(points);
        QFont font = savedFont_;
        font.setPointSize(points);
        QApplication::setFont(font);
        start();
        expectFits("locked");
        ASSERT_TRUE(press("Unlock"));
        expectFits("profile");
        find<QPushButton>("cmdNext")->click();
        find<QPushButton>("cmdForgot")->click();
        expectFits("logon");
        logOnToThe("Passwords");
        expectFits("passwords");
        QTreeView* list = find<QTreeView>("lstUser");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(entryRows()->index(0, 1)).center());
        ASSERT_TRUE(press("Show"));
        EXPECT_EQ(ClippedControls(find<QWidget>("frmshowpass")).join(QStringLiteral("; ")).toStdString(), "");
        find<QWidget>("frmshowpass")->close();
        ASSERT_TRUE(press("Setup"));
        expectFits("setup");
        find<QPushButton>("cmdCategory")->click();
        expectFits("category");
        find<QPushButton>("cmdCloseCategory")->click();
        find<QPushButton>("cmdAbout")->click();
        expectFits("about");
        dialogs.reset();
        parts.reset();
        window.reset();
    }
}

// At the default size and font the editor shows every box without scrolling, and the list takes
// the height that is left (the editor used to keep a scroll bar over Web Site and Email, with
// empty room below the view).
TEST_F(WindowFit, ThePasswordsViewFitsItsDefaultWindow) {
    start();
    ASSERT_TRUE(press("Unlock"));
    find<QPushButton>("cmdNext")->click();
    logOnToThe("Passwords");
    QApplication::processEvents();
    if (window->size() != kDefaultWindowSize) GTEST_SKIP() << "the screen is too small for the default size";
    auto* editor = find<QScrollArea>("editorScroll");
    const QRect shown = editor->viewport()->rect();
    for (const char* box : {"cboCategory", "txtUserDesc", "txtUserCode", "txtUserpass", "txtuserconfirm",
                            "spnLength", "txtSource", "txtExpiry", "txtWeb", "txtEmail"}) {
        QWidget* control = find<QWidget>(box);
        const QRect at(control->mapTo(editor->viewport(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(shown.contains(at)) << box;
    }
    // The list below the search box reaches down to the editor.
    QTreeView* list = find<QTreeView>("lstUser");
    EXPECT_GE(editor->mapTo(window.get(), QPoint(0, 0)).y() -
                  list->mapTo(window.get(), QPoint(0, list->height())).y(),
              0);
    EXPECT_LE(editor->mapTo(window.get(), QPoint(0, 0)).y() -
                  list->mapTo(window.get(), QPoint(0, list->height())).y(),
              12);
    EXPECT_GE(list->viewport()->height() / list->sizeHintForRow(0), 12);
    // And the view takes the window's height down to the status line, leaving no empty room.
    QWidget* view = find<QWidget>("fraPasswords");
    const int viewBottom = view->mapTo(window.get(), QPoint(0, view->height())).y();
    EXPECT_LE(find<QWidget>("StatusBar1")->y() - viewBottom, 12);
}

}  // namespace
}  // namespace keyloft::testing
