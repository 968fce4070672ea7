// The locked window after start, Unlock and Lock, the second copy, Help, Park and closing.
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>

#include "app/app_start.h"
#include "app/data_folder.h"
#include "desktop/welcome_animation.h"
#include "platform/qt_single_instance.h"
#include "store/profile_store.h"
#include "support/temp_folder.h"
#include "support/gui_window_fixture.h"

namespace keyloft::testing {
namespace {

class StartAndLock : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Alice"});
        writeProfile({.name = u"Bob"});
        start();
    }
};

TEST_F(StartAndLock, OnlyUnlockIsUsableRightAfterStart) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Keyloft"));
    EXPECT_TRUE(frameShown("welcomeView"));
    for (const char* frame :
         {"fraProfile", "fraLogin", "fraPasswords", "fraCategory", "fraSecurityOptions", "fraAbout"}) {
        EXPECT_FALSE(frameShown(frame)) << frame;
    }
    QAction* first = button("Unlock");
    EXPECT_TRUE(first->isVisible() && first->isEnabled());
    EXPECT_EQ(first->text(), QStringLiteral("Unlock"));
    EXPECT_FALSE(first->isChecked());
    for (const char* key : {"Setup", "Passwords"}) {
        EXPECT_TRUE(button(key)->isVisible()) << key;
        EXPECT_FALSE(button(key)->isEnabled()) << key;
    }
    for (const char* key : {"Show", "Generate", "Print", "Import"}) {
        EXPECT_FALSE(button(key)->isVisible()) << key;
        EXPECT_FALSE(button(key)->isEnabled()) << key;
    }
    EXPECT_FALSE(find<QToolBar>("Toolbar2")->isVisible());
    EXPECT_TRUE(statusText().isEmpty());
    EXPECT_EQ(find<QLabel>("lblVersion")->text(), QStringLiteral("V. 2.0.0.2"));
    // The profiles of the folder are listed, the first selected.
    auto* list = find<QComboBox>("cboProfile");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentText(), QStringLiteral("Alice"));
}

TEST_F(StartAndLock, ToolTipsAndCaptionsOfTheButtons) {
    // Each command's key follows its tool tip.
    EXPECT_EQ(button("Unlock")->toolTip(), QStringLiteral("Unlock Keyloft Database (Ctrl+L)"));
    EXPECT_EQ(button("Show")->toolTip(), QStringLiteral("Show  Password \"popup\" (Ctrl+Shift+C)"));
    EXPECT_EQ(button("Print")->toolTip(), QStringLiteral("Print Master List of Passwords (Ctrl+P)"));
    EXPECT_EQ(button("Import")->toolTip(),
              QStringLiteral("Import Entries from Another Password Manager (Ctrl+I)"));
    EXPECT_EQ(button("Import")->text(), QStringLiteral("Import…"));
    EXPECT_EQ(button("Cancel")->toolTip(), QStringLiteral("Cancel this Change (Esc)"));
    EXPECT_EQ(button("Setup")->toolTip(), QStringLiteral("Setup Keyloft Configuration (Ctrl+2)"));
    EXPECT_EQ(button("Passwords")->toolTip(), QStringLiteral("Display Password Details (Ctrl+1)"));
    EXPECT_EQ(find<QPushButton>("cmdPark")->toolTip(), QStringLiteral("Minimize Keyloft in System Tray"));
    EXPECT_EQ(find<QPushButton>("cmdHelp")->text(), QStringLiteral("?"));
    EXPECT_EQ(find<QPushButton>("cmdForgot")->text(), QStringLiteral("&Forgot Logon!"));
    // Toolbar1 buttons keep their order.
    QStringList keys;
    for (QAction* a : find<QToolBar>("Toolbar1")->actions()) {
        keys << a->objectName();
    }
    EXPECT_EQ(keys, (QStringList{"Unlock", "Setup", "Passwords", "Show", "Generate", "Print", "Import"}));
}

TEST_F(StartAndLock, UnlockShowsTheProfileViewAndLockGoesBack) {
    ASSERT_TRUE(press("Unlock"));
    QAction* first = button("Unlock");
    EXPECT_EQ(first->text(), QStringLiteral("Lock"));
    EXPECT_EQ(first->objectName(), QStringLiteral("Unlock"));
    EXPECT_TRUE(first->isChecked());
    EXPECT_TRUE(frameShown("fraProfile"));
    EXPECT_FALSE(frameShown("welcomeView"));
    EXPECT_TRUE(find<QToolBar>("Toolbar2")->isVisible());
    EXPECT_TRUE(button("Add")->isVisible() && button("Add")->isEnabled());
    EXPECT_TRUE(button("Delete")->isVisible() && button("Delete")->isEnabled());
    EXPECT_FALSE(button("Setup")->isEnabled());
    EXPECT_TRUE(find<QPushButton>("cmdNext")->hasFocus() || !window->isActiveWindow());

    // The same key locks while the caption reads "Lock".
    ASSERT_TRUE(press("Unlock"));
    EXPECT_EQ(first->text(), QStringLiteral("Unlock"));
    EXPECT_FALSE(first->isChecked());
    EXPECT_TRUE(frameShown("welcomeView"));
    EXPECT_FALSE(frameShown("fraProfile"));
    EXPECT_FALSE(find<QToolBar>("Toolbar2")->isVisible());
}

TEST_F(StartAndLock, LockAfterLogonForgetsTheSessionAndClosesTheFile) {
    logOnAs({.name = u"Alice"});
    EXPECT_TRUE(statusText().startsWith(QStringLiteral("You are logged into Alice profile!")));
    EXPECT_TRUE(window->store().open().holdsFile());
    ASSERT_TRUE(press("Passwords"));
    EXPECT_TRUE(frameShown("fraPasswords"));

    ASSERT_TRUE(press("Unlock"));
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_FALSE(window->store().open().holdsFile());
    EXPECT_EQ(window->store().open().profile().logonMode, 0);
    EXPECT_TRUE(statusText().isEmpty());
    EXPECT_FALSE(frameShown("fraPasswords"));
    EXPECT_FALSE(button("Passwords")->isChecked());
    EXPECT_FALSE(button("Passwords")->isEnabled());
    EXPECT_FALSE(button("Setup")->isEnabled());
    EXPECT_FALSE(button("Print")->isVisible());
    EXPECT_TRUE(frameShown("welcomeView"));
}

TEST(SecondInstance, RefusedWithTheMessageWhileTheFirstRuns) {
    QTemporaryDir runtime;
    const QString lockPath = runtime.filePath(QStringLiteral("keyloft.lock"));
    platform::SingleInstanceGuard first(lockPath);
    ScriptedDialogs firstDialogs;
    EXPECT_FALSE(RefuseSecondInstance(first, firstDialogs));

    platform::SingleInstanceGuard second(lockPath);
    ScriptedDialogs secondDialogs;
    secondDialogs.expect(QStringLiteral("Keyloft is already running!"));
    EXPECT_TRUE(RefuseSecondInstance(second, secondDialogs));
    ASSERT_EQ(secondDialogs.shown().size(), 1u);
    EXPECT_EQ(secondDialogs.last().title, u"Second Instance");
    EXPECT_EQ(secondDialogs.last().icon, MessageIcon::Critical);
    EXPECT_EQ(secondDialogs.last().buttons, MessageButtons::Ok);
}

TEST_F(StartAndLock, HelpOpensThePageBesideTheProgram) {
    QFile page(temp.filePath(QStringLiteral("Keyloft.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html></html>");
    page.close();
    find<QPushButton>("cmdHelp")->click();
    ASSERT_EQ(openedUrls.size(), 1u);
    EXPECT_EQ(openedUrls[0].toLocalFile(), page.fileName());
    EXPECT_TRUE(dialogs.shown().empty());

    // Without a browser the message names the page and its folder; F1 does what "?" does.
    openUrlSucceeds = false;
    dialogs.expect(
        u"An error has occurred! The error is \nNo web browser could open the help page. Open this file in "
        u"one: " +
        QDir::toNativeSeparators(page.fileName()).toStdU16String());
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(openedUrls.size(), 2u);
}

TEST(DataFolder, BesideTheProgramElseTheInstalledShareFolder) {
    QTemporaryDir temp;
    const std::filesystem::path root = temp.path().toStdString();
    const std::filesystem::path bin = root / "bin";
    const std::filesystem::path share = root / "share" / "keyloft";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(FindDataFolder(bin), bin);
    std::filesystem::create_directories(share);
    EXPECT_EQ(FindDataFolder(bin), share);
    QFile page(QString::fromStdString((bin / "Keyloft.html").string()));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    EXPECT_EQ(FindDataFolder(bin), bin);
}

TEST_F(StartAndLock, HelpOpensThePageOfTheDataFolder) {
    window.reset();
    dataFolder = folder / "share" / "keyloft";
    std::filesystem::create_directories(dataFolder);
    QFile page(QString::fromStdString((dataFolder / "Keyloft.html").string()));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    start();
    find<QPushButton>("cmdHelp")->click();
    ASSERT_EQ(openedUrls.size(), 1u);
    EXPECT_EQ(openedUrls[0].toLocalFile(), page.fileName());
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(StartAndLock, WelcomePictureOfTheDatabaseFolderElseTheOneTheProgramBrings) {
    struct RecordingWelcome final : WelcomeAnimationApi {
        void loadAndStart(const QString& file) override { loaded.push_back(file); }
        std::vector<QString> loaded;
    } recording;
    window.reset();
    dataFolder = folder / "share" / "keyloft";
    welcome = &recording;
    start();
    // Compared with "/" between the folders, as Qt writes them also on Windows.
    const auto loaded = [&recording](std::size_t i) {
        return QDir::fromNativeSeparators(recording.loaded[i]);
    };
    const auto named = [](const std::filesystem::path& file) {
        return QDir::fromNativeSeparators(QString::fromStdU16String(file.u16string()));
    };
    ASSERT_EQ(recording.loaded.size(), 1u);
    EXPECT_EQ(loaded(0), named(dataFolder / "welcome2.gif"));

    QFile own(named(folder / "welcome2.gif"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.close();
    window.reset();
    start();
    ASSERT_EQ(recording.loaded.size(), 2u);
    EXPECT_EQ(loaded(1), own.fileName());
    window.reset();
    welcome = nullptr;
}

// No "welcome2.gif" in the database folder nor beside the program: the locked window shows the
// picture built into the program, not an empty area; a file put there later is played from the
// next Lock on, and once it is gone the next reload brings the built-in picture back.
TEST_F(StartAndLock, WithoutAWelcomePictureFileTheBuiltInOneIsShown) {
    window.reset();
    assemble = true;
    start();
    auto* agif = find<WelcomeAnimation>("AGif");
    ASSERT_NE(agif, nullptr);
    EXPECT_TRUE(agif->isVisible());
    ASSERT_FALSE(agif->picture().isNull());
    EXPECT_EQ(agif->size(), agif->picture().deviceIndependentSize().toSize());
    const QImage shown = agif->grab().toImage();
    const QRgb background = agif->backColor().rgb();
    int drawn = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) drawn += shown.pixel(x, y) != background ? 1 : 0;
    }
    EXPECT_GT(drawn, shown.width() * shown.height() / 10);

    const QString own = QDir(temp.path()).filePath(QStringLiteral("welcome2.gif"));
    ASSERT_TRUE(QFile::copy(
        QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../../assets/welcome2.gif")),
        own));
    ASSERT_TRUE(press("Unlock"));
    EXPECT_FALSE(agif->isVisible());
    ASSERT_TRUE(press("Unlock"));  // Lock
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->fileName(), own);
    ASSERT_FALSE(agif->fileInfo().frames.empty());
    EXPECT_EQ(agif->size(), QSize(agif->fileInfo().width, agif->fileInfo().height));
    EXPECT_EQ(agif->timerInterval(), 250);

    ASSERT_TRUE(QFile::remove(own));
    clock.advanceSeconds(3600);
    fireTimer("tmrLock");  // auto-lock in the locked window reloads the picture
    EXPECT_TRUE(agif->fileInfo().frames.empty());
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->size(), agif->picture().deviceIndependentSize().toSize());
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(StartAndLock, HelpWithoutThePageSaysSo) {
    dialogs.expect(QStringLiteral(
        "Unable to display Help Contents. There is no Help associated with this application."));
    find<QPushButton>("cmdHelp")->click();
    EXPECT_EQ(dialogs.last().title, u"Keyloft");
    EXPECT_TRUE(openedUrls.empty());
}

TEST_F(StartAndLock, ParkWithoutNotificationAreaOnlyMinimizes) {
    find<QPushButton>("cmdPark")->click();
    EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(window->isHidden());
}

TEST_F(StartAndLock, ClosingWithUnsavedChangesAsksFirst) {
    logOnAs({.name = u"Alice"});
    window->setDirty(true);
    int closedSignals = 0;
    QObject::connect(window.get(), &MainWindow::windowClosed, [&closedSignals] { ++closedSignals; });
    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"), MessageAnswer::No);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(closedSignals, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isDirty());
    EXPECT_EQ(dialogs.last().title, u"Changes");
    EXPECT_EQ(dialogs.last().defaultAnswer, MessageAnswer::No);

    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"),
                   MessageAnswer::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closedSignals, 1);
}

TEST_F(StartAndLock, ARejectedDecryptionIsShownLoggedAndEndsTheProgram) {
    // The version record replaced by one byte of cipher text: the cipher rejects the line.
    const std::filesystem::path file = folder / "Alice.dat";
    std::string bytes = TempFolder::readFile(file);
    std::size_t from = bytes.find('\n');
    from = bytes.find('\n', from + 1) + 1;
    const std::size_t to = bytes.find('\n', from);
    ASSERT_NE(to, std::string::npos);
    bytes.replace(from, to - from, bytes[to - 1] == '\r' ? "00\r" : "00");
    TempFolder::writeFile(file, bytes);

    dialogs.expect(QStringLiteral("Invalid data."));
    unlockAndChoose(QStringLiteral("Alice"));
    EXPECT_EQ(dialogs.last().title, u"Decrypt Error");
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_FALSE(frameShown("fraLogin"));
    QFile log(temp.filePath(QStringLiteral("KeyloftErrors.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("\"Decrypt\""));
}

}  // namespace
}  // namespace keyloft::testing
