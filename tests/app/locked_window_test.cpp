// A lock of any origin (the Lock command, or another user's change of the logon details found by
// a save) leaves nothing of the profile on screen, printable or copyable; a printed master list
// that goes into a file is its owner's only.
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include "desktop/welcome_animation.h"
#include "store/profile.h"
#include "support/gui_window_fixture.h"

namespace keyloft::testing {
namespace {

constexpr char16_t kLockedOutText[] = u"The profile has been modified by another user.\nYou will have to login again.";

class LockedWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Shared"});
        assemble = true;
    }

    // Logged on to "Shared", which holds two entries of category Bank, in the passwords view.
    void logOnToPasswords() {
        otherInstanceSaves(u"Shared", [](Profile& p) {
            p.categories.add(u"Bank");
            p.entries = {Entry{u"Bank", u"Current", u"alice", u"pw1", {}, {}, {}, {}},
                         Entry{u"Bank", u"Savings", u"bob", u"pw2", {}, {}, {}, {}}};
        });
        start();
        logOnAs({.name = u"Shared"});
        ASSERT_TRUE(press("Passwords"));
        ASSERT_EQ(list()->model()->rowCount(), 2);
    }
    // Another user changes the profile's password while this window works on it; then Save
    // finds the change and locks this user out.
    void saveAfterAnotherUsersChange() {
        otherInstanceSaves(u"Shared", [](Profile& p) { p.password = u"changed"; });
        dialogs.expect(kLockedOutText);
        ASSERT_TRUE(press("Save"));
        EXPECT_EQ(dialogs.pending(), 0u);
    }
    QTreeView* list() { return find<QTreeView>("lstUser"); }
    void clickRow(int row) {
        QTreeView* view = list();
        const QRect rect = view->visualRect(view->model()->index(row, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }
    bool popupShown() { return find<QWidget>("frmshowpass")->isVisible(); }

    // Nothing of the profile is left to read: no rows, no filter or category items, no boxes, no
    // status, Print and Show disabled, only the welcome view shown.
    void expectNothingReadable() {
        EXPECT_EQ(list()->model()->rowCount(), 0);
        EXPECT_EQ(find<QComboBox>("cboFilter")->count(), 0);
        EXPECT_EQ(find<QComboBox>("cboCategory")->count(), 0);
        for (QLineEdit* box : {find<QLineEdit>("txtUserDesc"), find<QLineEdit>("txtUserCode"), find<QLineEdit>("txtUserpass"), find<QLineEdit>("txtuserconfirm")})
            EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
        EXPECT_EQ(find<QTreeWidget>("lstCategory")->topLevelItemCount(), 0);
        EXPECT_TRUE(nth<QLineEdit>("txtanswer", 0)->text().isEmpty());
        EXPECT_TRUE(nth<QLineEdit>("txtQuestion", 0)->text().isEmpty());
        for (const char* key : {"Print", "Show", "Generate", "Setup", "Passwords"})
            EXPECT_FALSE(button(key)->isEnabled()) << key;
        EXPECT_TRUE(statusText().isEmpty());
        for (const char* frame : {"fraProfile", "fraLogin", "fraPasswords", "fraCategory", "fraSecurityOptions"})
            EXPECT_FALSE(frameShown(frame)) << frame;
        EXPECT_TRUE(frameShown("welcomeView"));
        EXPECT_EQ(button("Unlock")->text(), QStringLiteral("Unlock"));
        EXPECT_FALSE(popupShown());
    }
};

TEST_F(LockedWindow, LockOutDuringAnEntrySaveShowsNothingOfTheProfile) {
    logOnToPasswords();
    // The pop-up is open as well when the save finds the other user's change.
    clickRow(0);
    ASSERT_TRUE(press("Show"));
    ASSERT_TRUE(popupShown());

    ASSERT_TRUE(press("Add"));
    QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral("Pension"));
    QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("carol"));
    QTest::keyClicks(find<QLineEdit>("txtUserpass"), QStringLiteral("pw3"));
    QTest::keyClicks(find<QLineEdit>("txtuserconfirm"), QStringLiteral("pw3"));
    saveAfterAnotherUsersChange();
    expectNothingReadable();
}

TEST_F(LockedWindow, LockOutDuringACategorySaveShowsNothingOfTheProfile) {
    logOnToPasswords();
    ASSERT_TRUE(press("Setup"));
    find<QPushButton>("cmdCategory")->click();
    ASSERT_TRUE(frameShown("fraCategory"));
    ASSERT_TRUE(press("Add"));
    QTest::keyClicks(find<QLineEdit>("txtCategory"), QStringLiteral("Travel"));
    saveAfterAnotherUsersChange();
    expectNothingReadable();
    // The Close button of the category view went with it: no way back to the setup boxes.
    EXPECT_FALSE(find<QPushButton>("cmdCloseCategory")->isVisible());
}

TEST_F(LockedWindow, LockOutDuringASetupSaveShowsNothingOfTheProfile) {
    logOnToPasswords();
    ASSERT_TRUE(press("Setup"));
    ASSERT_EQ(nth<QLineEdit>("txtanswer", 0)->text(), QStringLiteral("opensesame"));
    QTest::keyClicks(nth<QLineEdit>("txtQuestion", 1), QStringLiteral("First pet"));
    QTest::keyClicks(nth<QLineEdit>("txtanswer", 1), QStringLiteral("Rex"));
    saveAfterAnotherUsersChange();
    expectNothingReadable();
}

TEST_F(LockedWindow, LockClosesThePopupAndEmptiesTheViews) {
    logOnToPasswords();
    clickRow(1);
    ASSERT_TRUE(press("Show"));
    ASSERT_TRUE(popupShown());
    EXPECT_EQ(findIn<QLineEdit>("frmshowpass", "txtpass")->text(), QStringLiteral("pw2"));
    ASSERT_TRUE(press("Unlock"));  // the button reads Lock now
    expectNothingReadable();
}

TEST_F(LockedWindow, AutoLockClosesThePopup) {
    logOnToPasswords();
    ASSERT_TRUE(press("Setup"));
    find<QCheckBox>("chkTimeout")->setChecked(true);
    ASSERT_TRUE(press("Save"));
    ASSERT_TRUE(press("Passwords"));
    clickRow(0);
    ASSERT_TRUE(press("Show"));
    ASSERT_TRUE(popupShown());
    clock.advanceSeconds(3600);
    fireTimer("tmrLock");
    expectNothingReadable();
}

// No "welcome2.gif" in the database folder nor beside the program: the locked window shows the
// picture built into the program, not an empty area; a file put there later is played from the
// next Lock on, and once it is gone the next reload brings the built-in picture back.
TEST_F(LockedWindow, WithoutAWelcomePictureFileTheBuiltInOneIsShown) {
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
        QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../../assets/welcome2.gif")), own));
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

TEST_F(LockedWindow, MasterListInAFileIsReadableByItsOwnerOnlyAndTheUserIsToldWhere) {
    const QString path = QDir(temp.path()).filePath(QStringLiteral("list.pdf"));
    {
        // A file of that name that others may read already exists.
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    }
    openPrinter = [path](QWidget*) { return platform::OpenPdfPrinter(path); };
    logOnToPasswords();
    dialogs.expect(u"The master list was written to " + QDir::toNativeSeparators(path).toStdU16String() + u".");
    ASSERT_TRUE(press("Print"));
    EXPECT_EQ(dialogs.pending(), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_GT(info.st_size, 3);
}

}  // namespace
}  // namespace keyloft::testing
