#include "entries/password_popup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "support/gui_fakes.h"
#include "support/gui_widget_helpers.h"

namespace keyloft {
namespace {

class FakePopupTimer : public PopupTimer {
  public:
    void start() override {
        ++starts;
        active = true;
    }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
    int starts = 0;
    bool active = false;
};

Entry SampleEntry(const QString& email = QStringLiteral("Me.Someone@example.org")) {
    return Entry{u"Bank",  u"Current account", u"user42",          u"p@ss w0rd",
                 u"notes", u"2031-05-06",      u"www.example.com", email.toStdU16String()};
}

void Hover(QWidget* target) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(target, &enter);
}

void MoveOverBackground(QWidget* window) {
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 160), window->mapToGlobal(QPointF(150, 160)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
}

QImage Picture(const QLabel* label) { return label->pixmap().toImage(); }

class PopupTest : public ::testing::Test {
  protected:
    PopupTest() : popup_(new PasswordPopup(clipboard_, shell_, timer_)) {}
    ~PopupTest() override { delete popup_.data(); }

    testing::RecordingClipboard clipboard_;
    testing::RecordingShell shell_;
    FakePopupTimer timer_;
    QPointer<PasswordPopup> popup_;

    QLineEdit* box(const char* name) { return testing::child<QLineEdit>(popup_, QString::fromLatin1(name)); }
    QLabel* label(const char* name) { return testing::child<QLabel>(popup_, QString::fromLatin1(name)); }
    void click(const char* name) { QTest::mouseClick(label(name), Qt::LeftButton); }
};

// The window's outline: its picture's corners cut away, its edges kept.
void ExpectShapedToItsSize(const PasswordPopup& popup) {
    const QRegion mask = popup.mask();
    const QSize size = popup.size();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));  // blue corner cut out
    EXPECT_FALSE(mask.contains(QPoint(size.width() - 1, size.height() - 1)));
    EXPECT_TRUE(mask.contains(QPoint(size.width() / 2, size.height() / 2)));
    EXPECT_TRUE(mask.contains(QPoint(0, size.height() / 2)));
    EXPECT_TRUE(mask.contains(QPoint(size.width() - 1, size.height() / 2)));
    ASSERT_NE(popup.shaper(), nullptr);
    EXPECT_EQ(popup.shaper()->region(), mask);
}

TEST_F(PopupTest, LoadsSizedShapedAndFloatingWithItsControls) {
    // As large as its layout asks for, at least the picture the window had at a fixed size.
    EXPECT_EQ(popup_->size(), popup_->layout()->sizeHint());
    EXPECT_TRUE(popup_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    ExpectShapedToItsSize(*popup_);
    const QRegion mask = popup_->mask();
    ASSERT_NE(popup_->shaper(), nullptr);
    EXPECT_EQ(popup_->shaper()->region(), mask);

    for (const char* name : {"txtcode", "txtpass", "txtExpiryDate"})
        EXPECT_NE(testing::child<QLineEdit>(popup_, QString::fromLatin1(name)), nullptr);
    for (const char* name : {"lblWeb", "lblEmail", "ImgCopyUser", "ImgPass", "cmdClose", "ImgCopy",
                             "ImgCopyMove", "Imgbkg", "Imgmousemove", "ImgCursor"})
        EXPECT_NE(testing::child<QLabel>(popup_, QString::fromLatin1(name)), nullptr);
    EXPECT_EQ(label("ImgCopyUser")->toolTip(), QStringLiteral("Copy User Code to Clipboard (Alt+U)"));
    EXPECT_EQ(label("ImgPass")->toolTip(), QStringLiteral("Copy Password to Clipboard (Alt+P)"));
    EXPECT_EQ(testing::child<QLabel>(popup_, "lblUserCode")->text(), QStringLiteral("User Code"));
    EXPECT_EQ(testing::child<QLabel>(popup_, "lblPassword")->text(), QStringLiteral("Password"));
    EXPECT_EQ(testing::child<QLabel>(popup_, "lblExpiryDate")->text(), QStringLiteral("Expiry date"));
    EXPECT_EQ(Picture(label("cmdClose")), Picture(label("Imgbkg")));
    EXPECT_FALSE(popup_->isVisible());
    EXPECT_FALSE(timer_.active);
}

TEST_F(PopupTest, GetItemFillsShowsAndStartsTheTimerOnce) {
    popup_->showEntry(SampleEntry());
    EXPECT_TRUE(popup_->isVisible());
    EXPECT_EQ(box("txtcode")->text(), QStringLiteral("user42"));
    EXPECT_EQ(box("txtpass")->text(), QStringLiteral("p@ss w0rd"));
    EXPECT_EQ(box("txtExpiryDate")->text(), QStringLiteral("2031-05-06"));
    EXPECT_EQ(label("lblWeb")->text(), QStringLiteral("www.example.com"));
    EXPECT_EQ(label("lblEmail")->text(), QStringLiteral("Me.Someone@example.org"));
    EXPECT_EQ(timer_.starts, 1);

    // Another entry while open: same window refilled, the closing time not extended.
    Entry other = SampleEntry();
    other.userCode = u"someone";
    popup_->showEntry(other);
    EXPECT_EQ(box("txtcode")->text(), QStringLiteral("someone"));
    EXPECT_EQ(timer_.starts, 1);
    EXPECT_TRUE(timer_.active);

    // The first tick closes it and stops the timer.
    popup_->closePopup();
    EXPECT_FALSE(popup_->isVisible());
    EXPECT_FALSE(timer_.active);
}

TEST_F(PopupTest, EmptyFieldsLeaveTheirBoxesEmpty) {
    popup_->showEntry(Entry{u"Bank", u"Desc", u"user", {}, {}, {}, {}, {}});
    EXPECT_EQ(box("txtcode")->text(), QStringLiteral("user"));
    EXPECT_TRUE(box("txtpass")->text().isEmpty());
    EXPECT_TRUE(label("lblEmail")->text().isEmpty());
}

TEST_F(PopupTest, CopyButtonsPutTheBoxesOnTheClipboardAndChangeThePointer) {
    popup_->showEntry(SampleEntry());
    QTest::mouseClick(label("ImgCopyUser"), Qt::LeftButton);
    EXPECT_EQ(clipboard_.text(), QStringLiteral("user42"));
    EXPECT_EQ(popup_->cursor().shape(), Qt::BitmapCursor);
    QTest::mouseClick(label("ImgPass"), Qt::LeftButton);
    EXPECT_EQ(clipboard_.text(), QStringLiteral("p@ss w0rd"));
    EXPECT_EQ(clipboard_.copies, 2);

    MoveOverBackground(popup_);
    EXPECT_EQ(popup_->cursor().shape(), Qt::ArrowCursor);  // normal pointer again
}

// The user code and the password leave the pop-up through the copy buttons only, which mark them
// as secret: Tab, a mouse or key selection takes nothing into the X selection, no menu offers
// Copy; the arrow keys only move through a long value.
TEST_F(PopupTest, TheSecretBoxesCannotBeSelected) {
    popup_->showEntry(Entry{u"", u"", u"a-rather-long-user-code@example.org",
                            u"a-forty-character-password-0123456789ab", u"", u"", u"", u""});
    QClipboard* system = QGuiApplication::clipboard();
    if (system->supportsSelection()) system->setText(QStringLiteral("before"), QClipboard::Selection);
    for (const char* name : {"txtcode", "txtpass"}) {
        QLineEdit* secret = box(name);
        QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);  // a box reached by Tab selects all
        QApplication::sendEvent(secret, &tabbedIn);
        EXPECT_FALSE(secret->hasSelectedText()) << name;
        QTest::mouseDClick(secret, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mousePress(secret, Qt::LeftButton, {}, QPoint(2, 10));
        QTest::mouseMove(secret, QPoint(100, 10));
        QTest::mouseRelease(secret, Qt::LeftButton, {}, QPoint(100, 10));
        for (const QKeyCombination key :
             {QKeyCombination(Qt::ControlModifier, Qt::Key_A),
              QKeyCombination(Qt::ShiftModifier, Qt::Key_End),
              QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Left)})
            QTest::keyClick(secret, key.key(), key.keyboardModifiers());
        EXPECT_FALSE(secret->hasSelectedText()) << name;
        EXPECT_EQ(secret->contextMenuPolicy(), Qt::NoContextMenu) << name;
        QTest::keyClick(secret, Qt::Key_End);
        EXPECT_EQ(secret->cursorPosition(), secret->text().size()) << name;
        QTest::keyClick(secret, Qt::Key_Home);
        EXPECT_EQ(secret->cursorPosition(), 0) << name;
    }
    if (system->supportsSelection()) {
        EXPECT_EQ(system->text(QClipboard::Selection), QStringLiteral("before"));
    }
    EXPECT_EQ(clipboard_.copies, 0);
}

TEST_F(PopupTest, CopyOverAnEmptyBoxLeavesTheClipboardButChangesThePointer) {
    Entry entry = SampleEntry();
    entry.password.clear();
    popup_->showEntry(entry);
    click("ImgPass");
    EXPECT_EQ(clipboard_.copies, 0);
    EXPECT_TRUE(clipboard_.text().isEmpty());
    EXPECT_EQ(popup_->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(PopupTest, LinksOpenTheWebSiteAndMailtoExactlyAsStored) {
    popup_->showEntry(SampleEntry(QStringLiteral(" Odd.Case@Example.ORG")));
    QTest::mouseClick(label("lblWeb"), Qt::LeftButton);
    QTest::mouseClick(label("lblEmail"), Qt::LeftButton);
    QTest::mouseClick(label("lblEmail"), Qt::RightButton);  // not a click of the link
    EXPECT_EQ(shell_.opened, (std::vector<QString>{QStringLiteral("www.example.com"),
                                                   QStringLiteral("mailto: Odd.Case@Example.ORG")}));
}

TEST_F(PopupTest, EmptyLinksDoNothing) {
    Entry entry = SampleEntry(QString());
    entry.webSite.clear();
    popup_->showEntry(entry);
    click("lblWeb");
    click("lblEmail");
    EXPECT_TRUE(shell_.opened.empty());
}

TEST_F(PopupTest, HoverColoursAndPicturesFollowThePointer) {
    popup_->showEntry(SampleEntry());
    auto color = [](const QLabel* label) { return label->palette().color(QPalette::WindowText); };
    EXPECT_EQ(color(label("lblWeb")), QColor(255, 255, 255));
    Hover(label("lblWeb"));
    EXPECT_EQ(color(label("lblWeb")), QColor(170, 170, 255));
    EXPECT_EQ(color(label("lblEmail")), QColor(255, 255, 255));
    Hover(label("lblEmail"));
    EXPECT_EQ(color(label("lblWeb")), QColor(255, 255, 255));
    EXPECT_EQ(color(label("lblEmail")), QColor(170, 170, 255));

    Hover(label("ImgPass"));
    EXPECT_EQ(Picture(label("ImgPass")), Picture(label("ImgCopyMove")));
    EXPECT_EQ(Picture(label("ImgCopyUser")), Picture(label("ImgCopy")));
    Hover(label("ImgCopyUser"));
    EXPECT_EQ(Picture(label("ImgPass")), Picture(label("ImgCopy")));
    EXPECT_EQ(Picture(label("ImgCopyUser")), Picture(label("ImgCopyMove")));
    Hover(label("cmdClose"));
    EXPECT_EQ(Picture(label("cmdClose")), Picture(label("Imgmousemove")));
    EXPECT_NE(Picture(label("Imgmousemove")), Picture(label("Imgbkg")));

    MoveOverBackground(popup_);
    EXPECT_EQ(color(label("lblEmail")), QColor(255, 255, 255));
    EXPECT_EQ(Picture(label("ImgCopyUser")), Picture(label("ImgCopy")));
    EXPECT_EQ(Picture(label("cmdClose")), Picture(label("Imgbkg")));
}

TEST_F(PopupTest, CloseButtonClosesAndStopsTheTimer) {
    popup_->showEntry(SampleEntry());
    QTest::mouseClick(label("cmdClose"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(popup_->isVisible());
    EXPECT_FALSE(timer_.active);
}

TEST_F(PopupTest, OneWindowRefilledWhileOpenAndEmptiedWhenClosed) {
    popup_->showEntry(Entry{u"c", u"d", u"first", u"pw", u"n", u"e", u"w", u"m"});
    EXPECT_TRUE(popup_->isPopupVisible());
    popup_->showEntry(Entry{u"c", u"d", u"second", u"pw", u"n", u"e", u"w", u"m"});
    EXPECT_EQ(box("txtcode")->text(), QStringLiteral("second"));

    popup_->closePopup();
    EXPECT_FALSE(popup_->isPopupVisible());
    EXPECT_FALSE(timer_.active);
    for (const char* name : {"txtcode", "txtpass", "txtExpiryDate"})
        EXPECT_TRUE(box(name)->text().isEmpty()) << name;
    popup_->closePopup();  // nothing left to close
    popup_->showEntry(Entry{u"c", u"d", u"third", u"pw\u00e9", u"n", u"e", u"w", u"m"});
    EXPECT_TRUE(popup_->isPopupVisible());
    EXPECT_EQ(box("txtcode")->text(), QStringLiteral("third"));
    EXPECT_EQ(box("txtpass")->text(), QString::fromUtf16(u"pw\u00e9"));
    EXPECT_EQ(timer_.starts, 2);
}

// Long values show whole (up to half the screen's width; beyond it they scroll, see above), and
// the window's outline follows its new size. (The window tests check it at a large font.)
TEST_F(PopupTest, LongValuesShowWhole) {
    popup_->showEntry(Entry{u"", u"Long", u"averyveryverylongusercode@somecompany.example",
                            u"AbCdEfGhIjKlMnOpQrStUvWxYz0123456789!@#$", u"", u"01/24",
                            u"https://a-long-web-address.example.com/login?x=1", u""});
    for (const char* name : {"txtcode", "txtpass"})
        EXPECT_GT(box(name)->contentsRect().width(),
                  box(name)->fontMetrics().horizontalAdvance(box(name)->text()))
            << name;
    EXPECT_GE(label("lblWeb")->width(), label("lblWeb")->sizeHint().width());
    EXPECT_EQ(label("lblWeb")->text(), QStringLiteral("https://a-long-web-address.example.com/login?x=1"));
    ExpectShapedToItsSize(*popup_);
}

// Tab reaches every control of the window in reading order; Enter or Space works the copy
// buttons, the links and Close.
TEST_F(PopupTest, TabReachesEveryControlAndEnterOrSpaceWorksIt) {
    popup_->showEntry(SampleEntry());
    QApplication::setActiveWindow(popup_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(popup_));
    EXPECT_EQ(QApplication::focusWidget(), box("txtcode"));
    for (const char* next : {"ImgCopyUser", "txtpass", "ImgPass", "txtExpiryDate", "lblWeb", "lblEmail",
                             "cmdClose", "txtcode"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(next));
    }
    const std::pair<const char*, Qt::Key> uses[] = {{"ImgCopyUser", Qt::Key_Space},
                                                    {"ImgPass", Qt::Key_Return},
                                                    {"lblWeb", Qt::Key_Return},
                                                    {"lblEmail", Qt::Key_Space}};
    for (const auto& [control, key] : uses) {
        label(control)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(label(control), key);
    }
    EXPECT_EQ(clipboard_.copies, 2);
    EXPECT_EQ(clipboard_.text(), QStringLiteral("p@ss w0rd"));
    EXPECT_EQ(shell_.opened, (std::vector<QString>{QStringLiteral("www.example.com"),
                                                   QStringLiteral("mailto:Me.Someone@example.org")}));
    // The focused link shows as the pointer over it would.
    EXPECT_EQ(label("lblEmail")->palette().color(QPalette::WindowText), QColor(170, 170, 255));
    label("cmdClose")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(label("cmdClose"), Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_FALSE(popup_->isVisible());
}

TEST(PopupTimer, QtTimerAdapterDoesNotRestartARunningTimer) {
    QTimer timer;
    timer.setInterval(60000);
    QtPopupTimer adapter(timer);
    EXPECT_FALSE(adapter.isActive());
    adapter.start();
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 60000);
    adapter.stop();
    EXPECT_FALSE(adapter.isActive());
}

TEST(ShellUrl, WebSitesAsTypedAndMailtoAsGiven) {
    EXPECT_EQ(platform::ShellUrl(QStringLiteral("www.example.com")).toString(),
              QStringLiteral("http://www.example.com"));
    EXPECT_EQ(platform::ShellUrl(QStringLiteral("https://bank.example/login")).toString(),
              QStringLiteral("https://bank.example/login"));
    const QUrl mail = platform::ShellUrl(QStringLiteral("mailto:Me@example.org"));
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(mail.path(), QStringLiteral("Me@example.org"));
}

}  // namespace
}  // namespace keyloft
