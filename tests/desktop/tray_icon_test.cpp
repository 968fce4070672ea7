#include "desktop/tray_icon.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include "support/gui_scripted_dialogs.h"

namespace keyloft {
namespace {

using testing::ScriptedDialogs;

// A main window stand-in whose closing asks about unsaved changes, as the real one does.
class ClosingWindow : public QWidget {
  public:
    explicit ClosingWindow(Dialogs& dialogs) : dialogs_(dialogs) {}
    bool dirty = false;
    int closeChecks = 0;

  protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeChecks;
        if (!dirty) return;
        MessageRequest request;
        request.text = u"You have unsaved changes. Continue and lose changes?";
        request.buttons = MessageButtons::YesNo;
        request.defaultAnswer = MessageAnswer::No;
        if (dialogs_.showMessage(request) != MessageAnswer::Yes) event->ignore();
    }

  private:
    Dialogs& dialogs_;
};

class TrayTest : public ::testing::Test {
  protected:
    TrayTest() {
        window_.resize(200, 100);
        window_.show();
        tray_.install();
        tray_.setNotificationAreaAvailable(true);
    }
    QAction* item(const char* name) { return tray_.menu()->findChild<QAction*>(QString::fromLatin1(name)); }
    // Maximize, Restore, Minimize enabled as the menu shows them.
    std::array<bool, 3> enabling() {
        tray_.updateMenu();
        EXPECT_TRUE(item("mAbout")->isEnabled());
        EXPECT_TRUE(item("mExit")->isEnabled());
        return {item("mMaximize")->isEnabled(), item("mRestore")->isEnabled(),
                item("mMinimize")->isEnabled()};
    }

    ScriptedDialogs dialogs_;
    ClosingWindow window_{dialogs_};
    TrayIcon tray_{dialogs_, &window_};
};

TEST(TrayClick, CodesCarryTheirNames) {
    const char* names[] = {"MOUSEMOVE", "LBUTTONDOWN",   "LBUTTONUP",   "LBUTTONDBLCLK", "RBUTTONDOWN",
                           "RBUTTONUP", "RBUTTONDBLCLK", "MBUTTONDOWN", "MBUTTONUP",     "MBUTTONDBLCLK"};
    for (int code = 512; code <= 521; ++code)
        EXPECT_EQ(TrayClickName(code), QString::fromLatin1(names[code - 512]));
    EXPECT_EQ(TrayClickName(1234), QStringLiteral("OTHER....: 1234"));
    EXPECT_EQ(TrayClickName(511), QStringLiteral("OTHER....: 511"));
    EXPECT_EQ(TrayClickName(-3), QStringLiteral("OTHER....: -3"));
}

TEST(TrayClick, QtActivationsMapOntoMessages) {
    EXPECT_EQ(TrayClickName(TrayMessageFor(QSystemTrayIcon::DoubleClick)), QStringLiteral("LBUTTONDBLCLK"));
    EXPECT_EQ(TrayClickName(TrayMessageFor(QSystemTrayIcon::Context)), QStringLiteral("RBUTTONUP"));
    EXPECT_EQ(TrayClickName(TrayMessageFor(QSystemTrayIcon::Trigger)), QStringLiteral("LBUTTONUP"));
    EXPECT_EQ(TrayClickName(TrayMessageFor(QSystemTrayIcon::MiddleClick)), QStringLiteral("MBUTTONUP"));
    EXPECT_EQ(TrayClickName(TrayMessageFor(QSystemTrayIcon::Unknown)), QStringLiteral("OTHER....: 0"));
}

TEST_F(TrayTest, LoadSetsTipMenuAndIcon) {
    QString expected = QStringLiteral("Keyloft Password Manager");
    expected += QChar(0);
    expected += QString(64 - expected.size(), QLatin1Char(' '));
    EXPECT_EQ(tray_.tooltip(), expected);
    EXPECT_TRUE(tray_.isLoaded());
    EXPECT_TRUE(tray_.iconInNotificationArea());

    const auto actions = tray_.menu()->actions();
    QStringList names;
    for (const QAction* action : actions) names << action->objectName();
    EXPECT_EQ(names, (QStringList{"mAbout", "mSep1", "mMaximize", "mRestore", "mMinimize", "mSep2", "mLock",
                                  "mExit"}));
    EXPECT_EQ(item("mAbout")->text(), QStringLiteral("About Keyloft"));
    EXPECT_EQ(item("mMaximize")->text(), QStringLiteral("Ma&ximize"));
    EXPECT_EQ(item("mRestore")->text(), QStringLiteral("&Restore"));
    EXPECT_EQ(item("mMinimize")->text(), QStringLiteral("&Minimize"));
    EXPECT_EQ(item("mExit")->text(), QStringLiteral("&Exit"));
    EXPECT_TRUE(item("mSep1")->isSeparator());
    EXPECT_TRUE(item("mSep2")->isSeparator());
}

TEST_F(TrayTest, TipIsCutToSixtyThreeCharactersAndANul) {
    const QString longText(70, QLatin1Char('x'));
    tray_.setTooltip(longText);
    EXPECT_EQ(tray_.tooltip(), QString(63, QLatin1Char('x')) + QChar(0));
    tray_.setTooltip(QString(63, QLatin1Char('y')));
    EXPECT_EQ(tray_.tooltip(), QString(63, QLatin1Char('y')) + QChar(0));
    tray_.setTooltip(QString());
    EXPECT_EQ(tray_.tooltip(), QString(QChar(0)) + QString(63, QLatin1Char(' ')));
}

TEST_F(TrayTest, MenuEnablingFollowsTheWindowState) {
    window_.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(enabling(), (std::array<bool, 3>{true, false, true}));
    window_.setWindowState(Qt::WindowMaximized);
    EXPECT_EQ(enabling(), (std::array<bool, 3>{false, false, true}));
    window_.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(enabling(), (std::array<bool, 3>{true, true, false}));
    window_.hide();
    EXPECT_EQ(enabling(), (std::array<bool, 3>{true, true, false}));
}

TEST_F(TrayTest, RightClickSetsEnablingBeforeAnnouncingIt) {
    window_.setWindowState(Qt::WindowMinimized);
    tray_.onWindowMinimized();  // parked
    ASSERT_FALSE(window_.isVisible());
    item("mMinimize")->setEnabled(true);
    std::vector<std::pair<QString, bool>> clicks;
    QObject::connect(&tray_, &TrayIcon::clicked,
                     [&](const QString& what) { clicks.emplace_back(what, item("mMinimize")->isEnabled()); });
    tray_.onMouseMessage(517);
    tray_.onMouseMessage(1234);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0], std::make_pair(QStringLiteral("RBUTTONUP"), false));
    EXPECT_EQ(clicks[1].first, QStringLiteral("OTHER....: 1234"));
    EXPECT_TRUE(item("mMaximize")->isEnabled());
    EXPECT_TRUE(item("mRestore")->isEnabled());
}

TEST_F(TrayTest, ParkedMaximizedWindowComesBackMaximizedOnDoubleClick) {
    window_.setWindowState(Qt::WindowMaximized);
    EXPECT_EQ(tray_.rememberedState(), Qt::WindowMaximized);
    window_.setWindowState(Qt::WindowMinimized);  // Park: minimized, then handed over
    tray_.onWindowMinimized();
    EXPECT_FALSE(window_.isVisible());
    EXPECT_EQ(tray_.rememberedState(), Qt::WindowMaximized);

    tray_.onMouseMessage(515);
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(window_.windowState().testFlag(Qt::WindowMaximized));
    EXPECT_FALSE(window_.windowState().testFlag(Qt::WindowMinimized));
}

TEST_F(TrayTest, DoubleClickOnAShownWindowChangesNothing) {
    window_.setWindowState(Qt::WindowMaximized);
    window_.setWindowState(Qt::WindowNoState);
    for (const int code : {515, 514}) {
        tray_.onMouseMessage(code);
        EXPECT_EQ(window_.windowState(), Qt::WindowNoState);
        EXPECT_TRUE(window_.isVisible());
    }
}

// A keyboard cannot double-click: the single activation that the notification area sends for a
// click, or for Enter on the icon, brings a parked window back too (a minimized one that still
// shows on the task bar is left to the double click, as before).
TEST_F(TrayTest, ASingleActivationBringsAParkedWindowBack) {
    window_.setWindowState(Qt::WindowMinimized);
    tray_.onMouseMessage(514);
    EXPECT_TRUE(window_.windowState().testFlag(Qt::WindowMinimized));
    tray_.onWindowMinimized();  // parked
    ASSERT_FALSE(window_.isVisible());
    tray_.onMouseMessage(514);
    EXPECT_TRUE(window_.isVisible());
    EXPECT_FALSE(window_.windowState().testFlag(Qt::WindowMinimized));
}

TEST_F(TrayTest, MaximizeShowsAParkedWindowAndMinimizeKeepsItOnTheTaskBar) {
    window_.setWindowState(Qt::WindowMinimized);
    tray_.onWindowMinimized();
    ASSERT_FALSE(window_.isVisible());
    tray_.onMaximizeClicked();
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(window_.windowState().testFlag(Qt::WindowMaximized));
    tray_.onMinimizeClicked();
    EXPECT_TRUE(window_.windowState().testFlag(Qt::WindowMinimized));
    EXPECT_TRUE(window_.isVisible());
    tray_.onRestoreClicked();  // back to the remembered (maximized) state
    EXPECT_FALSE(window_.windowState().testFlag(Qt::WindowMinimized));
    EXPECT_TRUE(window_.windowState().testFlag(Qt::WindowMaximized));
}

TEST_F(TrayTest, ExitAnsweredNoKeepsWindowAndIconYesRemovesTheIcon) {
    window_.dirty = true;
    dialogs_.expect(u"You have unsaved changes. Continue and lose changes?", MessageAnswer::No);
    tray_.onExitClicked();
    EXPECT_EQ(window_.closeChecks, 1);
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(tray_.isLoaded());
    EXPECT_TRUE(tray_.iconInNotificationArea());

    dialogs_.expect(u"You have unsaved changes. Continue and lose changes?", MessageAnswer::Yes);
    tray_.onExitClicked();
    EXPECT_EQ(window_.closeChecks, 2);
    EXPECT_FALSE(window_.isVisible());
    EXPECT_FALSE(tray_.isLoaded());
    EXPECT_FALSE(tray_.iconInNotificationArea());
}

TEST_F(TrayTest, ExitFromAParkedWindowEndsTheProgramUnlessStillShown) {
    int ended = 0;
    tray_.setEndProgram([&ended] { ++ended; });
    tray_.onExitClicked();  // shown: closing it ends the program the usual way
    EXPECT_EQ(ended, 0);

    ClosingWindow parked(dialogs_);
    parked.show();
    TrayIcon tray(dialogs_, &parked);
    tray.install();
    tray.setEndProgram([&ended] { ++ended; });
    tray.setNotificationAreaAvailable(true);
    parked.setWindowState(Qt::WindowMinimized);
    tray.onWindowMinimized();
    ASSERT_FALSE(parked.isVisible());
    tray.onExitClicked();
    EXPECT_EQ(parked.closeChecks, 1);
    EXPECT_FALSE(tray.isLoaded());
    EXPECT_EQ(ended, 1);
}

TEST_F(TrayTest, WindowGoingAwayRemovesTheIcon) {
    auto window = std::make_unique<QWidget>();
    TrayIcon tray(dialogs_, window.get());
    tray.install();
    tray.setNotificationAreaAvailable(true);
    ASSERT_TRUE(tray.iconInNotificationArea());
    window.reset();
    EXPECT_FALSE(tray.iconInNotificationArea());
    EXPECT_FALSE(tray.isLoaded());
}

TEST_F(TrayTest, AboutShowsTheVersionMessage) {
    dialogs_.expect(u"Keyloft Password Manager Version 2.0");
    item("mAbout")->trigger();
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.last().title, u"About");
    EXPECT_EQ(dialogs_.last().icon, MessageIcon::Information);
    EXPECT_EQ(dialogs_.last().buttons, MessageButtons::Ok);
}

TEST_F(TrayTest, TrayIconDefaultInAnyCaseAndBadFilesKeepTheIcon) {
    const QImage loadIcon = tray_.icon().pixmap(32, 32).toImage();
    EXPECT_EQ(loadIcon, TrayIcon::trayPicture().toImage());
    tray_.setIcon(QStringLiteral("/no/such/picture.png"));
    EXPECT_EQ(tray_.icon().pixmap(32, 32).toImage(), loadIcon);
    tray_.setIcon(QStringLiteral("dEfAuLt"));
    EXPECT_EQ(tray_.icon().pixmap(32, 32).toImage(), TrayIcon::defaultPicture().toImage());
    EXPECT_NE(TrayIcon::defaultPicture().toImage(), loadIcon);

    QPixmap red(16, 16);
    red.fill(Qt::red);
    QLabel picture;
    picture.setPixmap(red);
    int announced = 0;
    QObject::connect(&tray_, &TrayIcon::iconChanged, [&](TrayIcon* form) { announced += form == &tray_; });
    tray_.setIcon(&picture);
    EXPECT_EQ(tray_.icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_EQ(announced, 1);
}

TEST_F(TrayTest, WithoutNotificationAreaParkingOnlyMinimizesAndTheMenuStillWorks) {
    tray_.setNotificationAreaAvailable(false);
    EXPECT_FALSE(tray_.iconInNotificationArea());
    window_.setWindowState(Qt::WindowMinimized);
    tray_.onWindowMinimized();
    EXPECT_TRUE(window_.isVisible());
    EXPECT_EQ(enabling(), (std::array<bool, 3>{true, true, false}));
    tray_.onMouseMessage(515);
    EXPECT_FALSE(window_.windowState().testFlag(Qt::WindowMinimized));
}

TEST(TrayIconInTheWindow, InstallsOnceParksAndRemovesTheIconOnClose) {
    ScriptedDialogs dialogs;
    QWidget window;
    window.show();
    TrayIcon tray(dialogs, &window);
    int announced = 0;
    QObject::connect(&tray, &TrayIcon::iconChanged, [&announced] { ++announced; });
    EXPECT_FALSE(tray.isLoaded());
    tray.install();
    tray.install();
    EXPECT_EQ(announced, 1);
    EXPECT_TRUE(tray.isLoaded());
    EXPECT_EQ(tray.window(), &window);
    tray.setNotificationAreaAvailable(true);

    window.setWindowState(Qt::WindowMinimized);
    tray.onWindowMinimized();
    EXPECT_FALSE(window.isVisible());
    tray.onWindowClosing();
    EXPECT_FALSE(tray.isLoaded());
    EXPECT_FALSE(tray.iconInNotificationArea());
}

}  // namespace
}  // namespace keyloft
