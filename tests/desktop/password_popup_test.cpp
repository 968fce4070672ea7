#include "entries/password_popup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "support/gui_widget_helpers.h"

namespace keyloft {
namespace {

class FakeClipboard : public platform::Clipboard {
public:
    void setSecretText(const QString& text) override {
        ++copies;
        text_ = text;
    }
    QString text() const override { return text_; }
    int copies = 0;

private:
    QString text_ = QStringLiteral("before");
};

class FakeShell : public platform::Shell {
public:
    bool open(const QString& item) override {
        opened.push_back(item);
        return true;
    }
    std::vector<QString> opened;
};

class FakePassTimer : public PassTimer {
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

QStringList Entry(const QString& email = QStringLiteral("Me.Someone@example.org")) {
    return QStringLiteral("4|Bank|Current account|user42|p@ss w0rd|notes|2031-05-06|www.example.com|%1")
        .arg(email)
        .split(QLatin1Char('|'));
}

void Hover(QWidget* target) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(target, &enter);
}

void MoveOverBackground(QWidget* window) {
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 160), window->mapToGlobal(QPointF(150, 160)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
}

QImage Picture(const QLabel* label) {
    return label->pixmap().toImage();
}

class PopupTest : public ::testing::Test {
protected:
    PopupTest() : popup_(new PasswordPopup(clipboard_, shell_, timer_)) {}
    ~PopupTest() override { delete popup_.data(); }

    FakeClipboard clipboard_;
    FakeShell shell_;
    FakePassTimer timer_;
    QPointer<PasswordPopup> popup_;
};

TEST_F(PopupTest, LoadsSizedShapedAndFloatingWithItsControls) {
    EXPECT_EQ(popup_->size(), QSize(300, 170));
    EXPECT_TRUE(popup_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRegion mask = popup_->mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));      // blue corner cut out
    EXPECT_FALSE(mask.contains(QPoint(299, 169)));
    EXPECT_TRUE(mask.contains(QPoint(150, 85)));
    EXPECT_TRUE(mask.contains(QPoint(0, 85)));
    ASSERT_NE(popup_->shaper(), nullptr);
    EXPECT_EQ(popup_->shaper()->CurRgn(), mask);

    for (const char* name : {"txtcode", "txtpass", "txtExpiryDate"})
        EXPECT_NE(testing::child<QLineEdit>(popup_, QString::fromLatin1(name)), nullptr);
    for (const char* name : {"lblWeb", "lblEmail", "ImgCopyUser", "ImgPass", "cmdClose", "ImgCopy", "ImgCopyMove",
                             "Imgbkg", "Imgmousemove", "ImgCursor"})
        EXPECT_NE(testing::child<QLabel>(popup_, QString::fromLatin1(name)), nullptr);
    EXPECT_EQ(popup_->ImgCopyUser->toolTip(), QStringLiteral("Copy User Code to Clipboard "));
    EXPECT_EQ(popup_->ImgPass->toolTip(), QStringLiteral("Copy Password to Clipboard "));
    EXPECT_EQ(testing::child<QLabel>(popup_, "lblUserCode")->text(), QStringLiteral("User Code"));
    EXPECT_EQ(testing::child<QLabel>(popup_, "lblPassword")->text(), QStringLiteral("Password"));
    EXPECT_EQ(testing::child<QLabel>(popup_, "lblExpiryDate")->text(), QStringLiteral("Expiry date"));
    EXPECT_EQ(Picture(popup_->cmdClose), Picture(popup_->Imgbkg));
    EXPECT_FALSE(popup_->isVisible());
    EXPECT_FALSE(timer_.active);
}

TEST_F(PopupTest, GetItemFillsShowsAndStartsTheTimerOnce) {
    popup_->GetItem(Entry());
    EXPECT_TRUE(popup_->isVisible());
    EXPECT_EQ(popup_->txtcode->text(), QStringLiteral("user42"));
    EXPECT_EQ(popup_->txtpass->text(), QStringLiteral("p@ss w0rd"));
    EXPECT_EQ(popup_->txtExpiryDate->text(), QStringLiteral("2031-05-06"));
    EXPECT_EQ(popup_->lblWeb->text(), QStringLiteral("www.example.com"));
    EXPECT_EQ(popup_->lblEmail->text(), QStringLiteral("Me.Someone@example.org"));
    EXPECT_EQ(timer_.starts, 1);

    // Another entry while open: same window refilled, the closing time not extended.
    QStringList other = Entry();
    other[3] = QStringLiteral("someone");
    popup_->GetItem(other);
    EXPECT_EQ(popup_->txtcode->text(), QStringLiteral("someone"));
    EXPECT_EQ(timer_.starts, 1);
    EXPECT_TRUE(timer_.active);

    // The first tick closes it and stops the timer.
    PasswordPopup::tmrPass_Timer(popup_);
    EXPECT_FALSE(popup_->isVisible());
    EXPECT_FALSE(timer_.active);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(popup_.isNull());  // unloaded; the next Show loads it afresh
    PasswordPopup::tmrPass_Timer(popup_);  // nothing left to close
}

TEST_F(PopupTest, ShortRecordLeavesMissingFieldsEmpty) {
    popup_->GetItem(QStringLiteral("4|Bank|Desc|user").split(QLatin1Char('|')));
    EXPECT_EQ(popup_->txtcode->text(), QStringLiteral("user"));
    EXPECT_TRUE(popup_->txtpass->text().isEmpty());
    EXPECT_TRUE(popup_->lblEmail->text().isEmpty());
}

TEST_F(PopupTest, CopyButtonsPutTheBoxesOnTheClipboardAndChangeThePointer) {
    popup_->GetItem(Entry());
    QTest::mouseClick(popup_->ImgCopyUser, Qt::LeftButton);
    EXPECT_EQ(clipboard_.text(), QStringLiteral("user42"));
    EXPECT_EQ(popup_->cursor().shape(), Qt::BitmapCursor);
    QTest::mouseClick(popup_->ImgPass, Qt::LeftButton);
    EXPECT_EQ(clipboard_.text(), QStringLiteral("p@ss w0rd"));
    EXPECT_EQ(clipboard_.copies, 2);

    MoveOverBackground(popup_);
    EXPECT_EQ(popup_->cursor().shape(), Qt::ArrowCursor);  // normal pointer again
}

TEST_F(PopupTest, CopyOverAnEmptyBoxLeavesTheClipboardButChangesThePointer) {
    QStringList entry = Entry();
    entry[4].clear();
    popup_->GetItem(entry);
    popup_->ImgPass_Click();
    EXPECT_EQ(clipboard_.copies, 0);
    EXPECT_EQ(clipboard_.text(), QStringLiteral("before"));
    EXPECT_EQ(popup_->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(PopupTest, LinksOpenTheWebSiteAndMailtoExactlyAsStored) {
    popup_->GetItem(Entry(QStringLiteral(" Odd.Case@Example.ORG")));
    QTest::mouseClick(popup_->lblWeb, Qt::LeftButton);
    QTest::mouseClick(popup_->lblEmail, Qt::LeftButton);
    QTest::mouseClick(popup_->lblEmail, Qt::RightButton);  // not a click of the link
    EXPECT_EQ(shell_.opened, (std::vector<QString>{QStringLiteral("www.example.com"),
                                                   QStringLiteral("mailto: Odd.Case@Example.ORG")}));
}

TEST_F(PopupTest, EmptyLinksDoNothing) {
    QStringList entry = Entry(QString());
    entry[7].clear();
    popup_->GetItem(entry);
    popup_->lblWeb_Click();
    popup_->lblEmail_Click();
    EXPECT_TRUE(shell_.opened.empty());
}

TEST_F(PopupTest, HoverColoursAndPicturesFollowThePointer) {
    popup_->GetItem(Entry());
    auto color = [](const QLabel* label) { return label->palette().color(QPalette::WindowText); };
    EXPECT_EQ(color(popup_->lblWeb), QColor(255, 255, 255));
    Hover(popup_->lblWeb);
    EXPECT_EQ(color(popup_->lblWeb), QColor(170, 170, 255));
    EXPECT_EQ(color(popup_->lblEmail), QColor(255, 255, 255));
    Hover(popup_->lblEmail);
    EXPECT_EQ(color(popup_->lblWeb), QColor(255, 255, 255));
    EXPECT_EQ(color(popup_->lblEmail), QColor(170, 170, 255));

    Hover(popup_->ImgPass);
    EXPECT_EQ(Picture(popup_->ImgPass), Picture(popup_->ImgCopyMove));
    EXPECT_EQ(Picture(popup_->ImgCopyUser), Picture(popup_->ImgCopy));
    Hover(popup_->ImgCopyUser);
    EXPECT_EQ(Picture(popup_->ImgPass), Picture(popup_->ImgCopy));
    EXPECT_EQ(Picture(popup_->ImgCopyUser), Picture(popup_->ImgCopyMove));
    Hover(popup_->cmdClose);
    EXPECT_EQ(Picture(popup_->cmdClose), Picture(popup_->Imgmousemove));
    EXPECT_NE(Picture(popup_->Imgmousemove), Picture(popup_->Imgbkg));

    MoveOverBackground(popup_);
    EXPECT_EQ(color(popup_->lblEmail), QColor(255, 255, 255));
    EXPECT_EQ(Picture(popup_->ImgCopyUser), Picture(popup_->ImgCopy));
    EXPECT_EQ(Picture(popup_->cmdClose), Picture(popup_->Imgbkg));
}

TEST_F(PopupTest, CloseButtonClosesAndStopsTheTimer) {
    popup_->GetItem(Entry());
    QTest::mouseClick(popup_->cmdClose, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(popup_.isNull() || !popup_->isVisible());
    EXPECT_FALSE(timer_.active);
}

TEST(PopupTimer, QtTimerAdapterDoesNotRestartARunningTimer) {
    QTimer timer;
    timer.setInterval(60000);
    QtPassTimer adapter(timer);
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
