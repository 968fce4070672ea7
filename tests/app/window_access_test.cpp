// The window for keyboard and screen reader: Tab follows the screen in every view, with no stop
// that cannot be seen, and every control has a name of words.
#include <QPushButton>
#include <QTreeWidget>

#include "support/gui_keyboard_fixture.h"

namespace keyloft::testing {
namespace {

class WindowAccess : public KeyboardWindowTest {
  protected:
    void SetUp() override {
        KeyboardWindowTest::SetUp();
        // A password of its own: the seal box can be ticked, so it is a stop of the setup view.
        writeProfile({.name = u"Shared", .logonMode = 3, .password = u"own pass"});
        otherInstanceSaves(u"Shared", [](Profile& p) {
            p.entries = EntriesOf({u"4|Bank|Current|anna|pw1||||"});
            static_cast<void>(p.categories.add(u"Bank"));
        });
        start();
        activate();
    }
    // From `first`, Tab goes round the view and back to `first` in exactly this order.
    void expectRound(const char* view, QWidget* first, const QStringList& order) {
        QApplication::processEvents();  // the toolbars lay out the buttons just shown
        first->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(first->hasFocus()) << view;
        EXPECT_EQ(TabWalk(static_cast<int>(order.size())).join(QLatin1Char(' ')).toStdString(),
                  order.join(QLatin1Char(' ')).toStdString())
            << "in the " << view << " view";
    }
    void expectNamed(const char* view) {
        QApplication::processEvents();
        EXPECT_EQ(UnnamedControls(window.get()).join(QStringLiteral(", ")).toStdString(), "")
            << "in the " << view << " view";
    }
};

const QStringList kStrip = {QStringLiteral("cmdPark"), QStringLiteral("cmdHelp")};

// The toolbar buttons usable in each state come first, then the strip, then the view as it is
// read, and round again; the editor's copy button follows the confirmation on purpose.
TEST_F(WindowAccess, TabFollowsTheScreenInEveryView) {
    expectRound("locked", find<QPushButton>("cmdPark"), QStringList{"cmdHelp", "[Unlock]", "cmdPark"});

    key(Qt::Key_L, Qt::ControlModifier);  // Unlock
    expectRound("profile", find<QWidget>("cboProfile"),
                QStringList{"cmdDatabase", "cmdNext", "[Unlock]", "[Add]", "[Delete]"} + kStrip +
                    QStringList{"cboProfile"});

    find<QPushButton>("cmdNext")->click();
    ASSERT_TRUE(frameShown("fraLogin"));
    expectRound("logon", find<QWidget>("txtUser"),
                QStringList{"txtPass", "txtPin", "cmdLogin", "cmdForgot", "[Unlock]"} + kStrip +
                    QStringList{"txtUser"});
    find<QPushButton>("cmdForgot")->click();
    expectRound("forgotten logon", find<QWidget>("txtUser"),
                QStringList{"txtPass", "txtPin", "txtAns0", "cmdLogin", "cmdForgot", "[Unlock]"} + kStrip +
                    QStringList{"txtUser"});

    for (const char* box : {"txtUser", "txtPass", "txtPin"}) find<QLineEdit>(box)->clear();
    find<QLineEdit>("txtAns")->setText(QStringLiteral("opensesame"));
    find<QPushButton>("cmdLogin")->click();
    waitForLogon();
    ASSERT_TRUE(window->logonAccepted());
    key(Qt::Key_1, Qt::ControlModifier);  // Passwords
    const QStringList tools = {"[Unlock]", "[Setup]", "[Passwords]", "[Print]",
                               "[Import]", "[Add]",   "[Filter]"};
    expectRound("passwords", find<QWidget>("txtSearch"),
                QStringList{"lstUserHeadings", "lstUser", "cboCategory", "txtUserDesc", "txtUserCode",
                            "txtUserpass", "txtuserconfirm", "cmdCopyClip", "spnLength", "chkSymbols",
                            "txtSource", "txtExpiry", "txtWeb", "txtEmail"} +
                    tools + kStrip + QStringList{"txtSearch"});

    key(Qt::Key_2, Qt::ControlModifier);  // Setup
    expectRound("setup", find<QWidget>("optPIN"),
                QStringList{"txtUserID",
                            "txtPassword",
                            "txtconfirm",
                            "txtSetupPIN",
                            "txtQuestion0",
                            "txtanswer0",
                            "txtQuestion1",
                            "txtanswer1",
                            "txtQuestion2",
                            "txtanswer2",
                            "optQ1",
                            "chkSeal",
                            "chkTimeout",
                            "chkLockOnScreenLock",
                            "chkLockOnMinimize",
                            "spnClearClipboard",
                            "cmdCategory",
                            "cmdAbout",
                            "[Unlock]",
                            "[Setup]",
                            "[Passwords]"} +
                    kStrip + QStringList{"optPIN"});

    find<QPushButton>("cmdCategory")->click();
    expectRound(
        "category", find<QWidget>("lstCategoryHeadings"),
        QStringList{"lstCategory", "cmdCloseCategory", "[Unlock]", "[Setup]", "[Passwords]", "[Add]"} +
            kStrip + QStringList{"lstCategoryHeadings"});
    find<QPushButton>("cmdCloseCategory")->click();
    find<QPushButton>("cmdAbout")->click();
    expectRound("about", find<QWidget>("cmdCloseAbout"),
                QStringList{"[Unlock]", "[Setup]", "[Passwords]"} + kStrip + QStringList{"cmdCloseAbout"});
}

// Every control a screen reader reaches has a name of words, in every view and in the pop-up:
// the list, the "?" button, the drop-downs (never named by their current item), the pop-up's
// boxes and links.
TEST_F(WindowAccess, EveryControlHasAName) {
    expectNamed("locked");
    key(Qt::Key_L, Qt::ControlModifier);
    expectNamed("profile");
    find<QPushButton>("cmdNext")->click();
    find<QPushButton>("cmdForgot")->click();
    expectNamed("logon");
    find<QLineEdit>("txtAns")->setText(QStringLiteral("opensesame"));
    find<QPushButton>("cmdLogin")->click();
    waitForLogon();
    key(Qt::Key_1, Qt::ControlModifier);
    key(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);  // Filter: its box usable
    expectNamed("passwords");
    EXPECT_EQ(find<QWidget>("lstUser")->accessibleName(), QStringLiteral("Entries"));
    EXPECT_EQ(find<QWidget>("cmdHelp")->accessibleName(), QStringLiteral("Help"));

    QTest::mouseClick(find<QTreeView>("lstUser")->viewport(), Qt::LeftButton, {},
                      find<QTreeView>("lstUser")->visualRect(entryRows()->index(0, 1)).center());
    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);  // Show
    auto* popup = find<QWidget>("frmshowpass");
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(UnnamedControls(popup).join(QStringLiteral(", ")).toStdString(), "");
    for (const auto& [control, name] :
         {std::pair{"txtcode", "User Code"}, std::pair{"txtpass", "Password"},
          std::pair{"lblWeb", "Web site"}, std::pair{"lblEmail", "E-mail address"}})
        EXPECT_EQ(child<QWidget>(popup, QString::fromLatin1(control))->accessibleName(),
                  QString::fromLatin1(name));
    popup->close();

    key(Qt::Key_2, Qt::ControlModifier);
    expectNamed("setup");
    find<QPushButton>("cmdCategory")->click();
    expectNamed("category");
}

}  // namespace
}  // namespace keyloft::testing
