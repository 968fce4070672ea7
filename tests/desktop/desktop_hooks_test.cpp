#include "desktop/desktop_hooks.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include "entries/password_popup.h"
#include "support/gui_scripted_dialogs.h"

namespace keyloft {
namespace {

using testing::ScriptedDialogs;

QString WelcomePicture() {
    return QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../../assets/welcome2.gif"));
}

TEST(WelcomeAnimationHook, PlaysInTheWelcomeAreaStopsOnUnlockAndStartsOnLock) {
    ScriptedDialogs dialogs;
    QWidget area;
    new QVBoxLayout(&area);
    WelcomeAnimationHook animation(dialogs, &area);
    WelcomeAnimation* agif = area.findChild<WelcomeAnimation*>(QStringLiteral("AGif"));
    ASSERT_EQ(agif, animation.AGif());
    EXPECT_EQ(area.layout()->indexOf(agif), 0);
    area.show();

    animation.LoadAndStart(WelcomePicture());
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->timerInterval(), 250);
    animation.Stop();
    EXPECT_FALSE(agif->isVisible());
    EXPECT_EQ(agif->timerInterval(), 0);
    animation.Start();
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->timerInterval(), 250);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST(WelcomeAnimationHook, MissingPictureShowsNothingAndStartStaysQuiet) {
    ScriptedDialogs dialogs;
    QWidget area;
    area.show();
    WelcomeAnimationHook animation(dialogs, &area);
    animation.LoadAndStart(QStringLiteral("/no/such/folder/welcome2.gif"));
    EXPECT_FALSE(animation.AGif()->isVisible());
    animation.Start();
    EXPECT_FALSE(animation.AGif()->isVisible());
    EXPECT_TRUE(dialogs.shown().empty());
}

// How many pixels of the control, as drawn, have the colour.
int PixelsOf(QWidget* widget, QColor color) {
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == color ? 1 : 0;
    }
    return count;
}

TEST(WelcomeAnimationHook, TheBuiltInPictureStandsInUntilAPictureFileCanBePlayed) {
    ScriptedDialogs dialogs;
    QWidget area;
    new QVBoxLayout(&area);
    area.show();
    QPixmap builtIn(40, 30);
    builtIn.fill(Qt::red);
    WelcomeAnimationHook animation(dialogs, &area, builtIn);
    WelcomeAnimation* agif = animation.AGif();
    QTemporaryDir temp;
    const QString path = QDir(temp.path()).filePath(QStringLiteral("welcome2.gif"));

    // Missing: the built-in picture, at its own size.
    animation.LoadAndStart(path);
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->size(), QSize(40, 30));
    EXPECT_EQ(PixelsOf(agif, Qt::red), 40 * 30);
    animation.Stop();
    animation.Start();
    EXPECT_TRUE(agif->isVisible());

    // Not a GIF: said once; the next Lock does not say it again while the file stays the same.
    QFile bad(path);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    dialogs.expect(u"Sorry, not an Animated Gif file");
    animation.LoadAndStart(path);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(PixelsOf(agif, Qt::red), 40 * 30);
    animation.Stop();
    animation.Start();
    EXPECT_EQ(dialogs.shown().size(), 1u);

    // A picture file that appears is played from the next Lock on.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(WelcomePicture(), path));
    animation.Stop();
    animation.Start();
    EXPECT_FALSE(agif->fileInfo().frames.empty());
    EXPECT_EQ(agif->strGifFileName(), path);
    EXPECT_EQ(agif->timerInterval(), 250);
    EXPECT_EQ(agif->size(), QSize(agif->fileInfo().width, agif->fileInfo().height));

    // Gone again: the next load puts the built-in picture back.
    ASSERT_TRUE(QFile::remove(path));
    animation.LoadAndStart(path);
    EXPECT_TRUE(agif->fileInfo().frames.empty());
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->size(), QSize(40, 30));
    EXPECT_EQ(PixelsOf(agif, Qt::red), 40 * 30);
    EXPECT_EQ(dialogs.shown().size(), 1u);
}

TEST(SystemTrayHook, SetsUpOnceParksAndRemovesTheIconOnClose) {
    ScriptedDialogs dialogs;
    QWidget window;
    window.show();
    SystemTray hook(dialogs, &window);
    EXPECT_EQ(hook.tray(), nullptr);
    hook.SetupTray();
    TrayIcon* tray = hook.tray();
    ASSERT_NE(tray, nullptr);
    hook.SetupTray();
    EXPECT_EQ(hook.tray(), tray);
    EXPECT_EQ(tray->FSys(), &window);
    tray->setNotificationAreaAvailable(true);

    window.setWindowState(Qt::WindowMinimized);
    hook.onWindowMinimized();
    EXPECT_FALSE(window.isVisible());
    hook.onWindowClosing();
    EXPECT_FALSE(tray->loaded());
    EXPECT_FALSE(tray->iconInNotificationArea());
}

class NullClipboard : public platform::Clipboard {
public:
    void setSecretText(const QString& text) override { text_ = text; }
    QString text() const override { return text_; }

private:
    QString text_;
};

class NullShell : public platform::Shell {
public:
    bool open(const QString&) override { return true; }
};

TEST(PassPopupHook, OneWindowRefilledClosedByTheTimerAndLoadedAfresh) {
    NullClipboard clipboard;
    NullShell shell;
    QTimer tmrPass;
    tmrPass.setInterval(60000);
    PassPopup popup(clipboard, shell, tmrPass);
    EXPECT_FALSE(popup.isPopupVisible());
    popup.closePopup();  // nothing to close

    popup.Show(QStringLiteral("4|c|d|first|pw|n|e|w|m").split(QLatin1Char('|')));
    PasswordPopup* window = popup.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(popup.isPopupVisible());
    EXPECT_TRUE(tmrPass.isActive());
    popup.Show(QStringLiteral("4|c|d|second|pw|n|e|w|m").split(QLatin1Char('|')));
    EXPECT_EQ(popup.window(), window);
    EXPECT_EQ(window->txtcode->text(), QStringLiteral("second"));

    popup.closePopup();
    EXPECT_FALSE(popup.isPopupVisible());
    EXPECT_FALSE(tmrPass.isActive());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(popup.window(), nullptr);
    popup.Show(std::vector<std::u16string>{u"4", u"c", u"d", u"third", u"pw\u00e9", u"n", u"e", u"w", u"m"});
    ASSERT_NE(popup.window(), nullptr);
    EXPECT_EQ(popup.window()->txtcode->text(), QStringLiteral("third"));
    EXPECT_EQ(popup.window()->txtpass->text(), QString::fromUtf16(u"pw\u00e9"));
}

}  // namespace
}  // namespace keyloft
