// Adding, creating, deleting profiles and choosing the database folder in the profile view.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/platform_core.h"
#include "store/profile_store.h"
#include "support/temp_folder.h"
#include "support/gui_window_fixture.h"

namespace keyloft::testing {
namespace {

class ProfileCommands : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Alice"});
        start();
        ASSERT_TRUE(press("Unlock"));
    }
    QComboBox* list() { return find<QComboBox>("cboProfile"); }
    QLineEdit* nameBox() { return find<QLineEdit>("txtFileName"); }
};

TEST_F(ProfileCommands, AddShowsTheNameBoxAndSaveCreatesTheProfile) {
    ASSERT_TRUE(press("Add"));
    EXPECT_TRUE(nameBox()->isVisible());
    EXPECT_TRUE(find<QLabel>("lblNewProfile")->isVisible());
    EXPECT_EQ(VisibleText(find<QLabel>("lblNewProfile")->text()), QStringLiteral("New Profile Name"));
    EXPECT_TRUE(find<QPushButton>("cmdNext")->isVisible());
    EXPECT_FALSE(find<QPushButton>("cmdNext")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cmdDatabase")->isEnabled());
    EXPECT_FALSE(button("Delete")->isEnabled());
    EXPECT_TRUE(button("Save")->isVisible() && button("Save")->isEnabled());
    EXPECT_TRUE(button("Cancel")->isVisible() && button("Cancel")->isEnabled());

    nameBox()->setText(QStringLiteral("Carol"));
    dialogs.expect(
        QStringLiteral("The new profile's password is opensesame. Log on and change it in Setup."));
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(dialogs.last().icon, MessageIcon::Information);
    EXPECT_EQ(dialogs.last().title, u"Keyloft");
    EXPECT_TRUE(exists(u"Carol"));
    EXPECT_GE(list()->findText(QStringLiteral("Carol")), 0);
    EXPECT_FALSE(nameBox()->isVisible());
    EXPECT_TRUE(nameBox()->text().isEmpty());
    EXPECT_TRUE(find<QPushButton>("cmdNext")->isEnabled());
    EXPECT_TRUE(button("Add")->isEnabled());
    EXPECT_TRUE(button("Delete")->isEnabled());
    EXPECT_FALSE(button("Save")->isEnabled());

    // The new profile opens with the default password.
    logOnAs({.name = u"Carol"});
}

TEST_F(ProfileCommands, SaveRefusesAnEmptyOrExistingName) {
    ASSERT_TRUE(press("Add"));
    dialogs.expect(QStringLiteral("Specify a profile name!"));
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(list()->count(), 1);

    ASSERT_TRUE(press("Add"));
    nameBox()->setText(QStringLiteral("Alice"));
    dialogs.expect(QStringLiteral("This profile already exists. Please choose another name!"));
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(list()->count(), 1);
}

TEST_F(ProfileCommands, CancelLeavesTheNameBox) {
    ASSERT_TRUE(press("Add"));
    nameBox()->setText(QStringLiteral("Dora"));
    ASSERT_TRUE(press("Cancel"));
    EXPECT_FALSE(nameBox()->isVisible());
    EXPECT_TRUE(find<QPushButton>("cmdNext")->isEnabled());
    EXPECT_TRUE(find<QPushButton>("cmdDatabase")->isEnabled());
    EXPECT_TRUE(button("Delete")->isEnabled());
    EXPECT_FALSE(button("Save")->isEnabled());
    EXPECT_FALSE(button("Cancel")->isEnabled());
    EXPECT_FALSE(exists(u"Dora"));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ProfileCommands, DeleteAsksTwiceAndEitherNoKeepsTheFile) {
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::No);
    ASSERT_TRUE(press("Delete"));
    EXPECT_EQ(dialogs.last().title, u"Delete entry");
    EXPECT_EQ(dialogs.last().defaultAnswer, MessageAnswer::No);
    EXPECT_TRUE(exists(u"Alice"));

    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::Yes);
    dialogs.expect(QStringLiteral("Are you sure you want to delete the selected profile?"),
                   MessageAnswer::No);
    ASSERT_TRUE(press("Delete"));
    EXPECT_TRUE(exists(u"Alice"));

    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::Yes);
    dialogs.expect(QStringLiteral("Are you sure you want to delete the selected profile?"),
                   MessageAnswer::Yes);
    // The folder is empty now, and it is the application folder: nothing more is asked.
    ASSERT_TRUE(press("Delete"));
    EXPECT_FALSE(exists(u"Alice"));
    EXPECT_EQ(list()->count(), 0);
}

TEST_F(ProfileCommands, ContinueWithoutAProfileKeepsAddAndSaysHowToMakeOne) {
    list()->clear();
    find<QPushButton>("cmdNext")->click();
    EXPECT_TRUE(frameShown("fraProfile"));
    EXPECT_FALSE(frameShown("fraLogin"));
    EXPECT_TRUE(button("Add")->isVisible() && button("Add")->isEnabled());
}

TEST_F(ProfileCommands, DatabaseButtonChoosesAnotherFolderAndListsItsProfiles) {
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    std::filesystem::path otherFolder(other.path().toStdU16String());
    {
        std::filesystem::path keep = folder;
        folder = otherFolder;
        writeProfile({.name = u"Elsewhere"});
        folder = keep;
    }
    auto* databaseButton = find<QPushButton>("cmdDatabase");
    EXPECT_EQ(databaseButton->toolTip(), QStringLiteral("Choose the folder that holds the profiles"));
    chosenFolder = other.path();
    databaseButton->click();
    std::u16string value;
    ASSERT_TRUE(settings->read(u"Database", value));
    EXPECT_EQ(QString::fromStdU16String(value), other.path());
    ASSERT_EQ(list()->count(), 1);
    EXPECT_EQ(list()->currentText(), QStringLiteral("Elsewhere"));

    // Cancelling the folder choice changes nothing.
    chosenFolder.clear();
    databaseButton->click();
    EXPECT_EQ(list()->currentText(), QStringLiteral("Elsewhere"));
}

TEST_F(ProfileCommands, AProfileInUseIsReportedAndTheWindowStaysInTheProfileView) {
    // Another running copy holds Alice.
    std::unique_ptr<FileSystem> otherCopy = platform::CreateHostFileSystem();
    ErrorInfo error;
    auto held = otherCopy->openHeld(folder / "Alice.dat", error);
    ASSERT_TRUE(held);

    list()->setCurrentIndex(list()->findText(QStringLiteral("Alice")));
    dialogs.expect(QStringLiteral("The profile Alice is in use by another user. Try again later."));
    find<QPushButton>("cmdNext")->click();
    EXPECT_EQ(dialogs.last().title, u"Keyloft");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(endProgramCalls, 0);
    EXPECT_TRUE(frameShown("fraProfile"));
    EXPECT_FALSE(frameShown("fraLogin"));
    EXPECT_TRUE(button("Add")->isVisible() && button("Add")->isEnabled());
    const std::string log = TempFolder::readFile(folder / "KeyloftErrors.log");
    EXPECT_NE(log.find(",\"ReadFromFile\",\"70\",\"Permission denied\"\r\n"), std::string::npos) << log;

    // Once the other copy lets go, Continue opens it.
    held.reset();
    find<QPushButton>("cmdNext")->click();
    EXPECT_TRUE(frameShown("fraLogin"));
}

#ifndef _WIN32
// A colleague's profile kept to its owner: the message says so and how it is put right; the
// window stays, and once the file may be read, Continue opens it.
TEST_F(ProfileCommands, AProfileTheUserMayNotReadSaysSoAndTheWindowStays) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser may read any file";
    std::filesystem::permissions(folder / "Alice.dat", std::filesystem::perms::owner_write);
    list()->setCurrentIndex(list()->findText(QStringLiteral("Alice")));
    dialogs.expect(QStringLiteral(
        "You may not read the profile \"Alice\": the permissions of its file keep you out, and closing and "
        "re-opening will not change that.\nIts owner can let the colleagues who share the folder in by "
        "making the "
        "file readable and writable for the folder's group (on Linux: chmod g+rw \"Alice.dat\"; on Windows: "
        "the "
        "Security tab of the file's properties)."));
    find<QPushButton>("cmdNext")->click();
    EXPECT_EQ(dialogs.last().title, u"Permission Denied");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(frameShown("fraProfile"));

    std::filesystem::permissions(folder / "Alice.dat", std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::add);
    find<QPushButton>("cmdNext")->click();
    EXPECT_TRUE(frameShown("fraLogin"));
}
#endif

// A read-only profile (another user's, 0444) is not deleted: the message says so and how it is
// put right, and the profile stays in the list.
TEST_F(ProfileCommands, DeletingAReadOnlyProfileSaysSoAndKeepsIt) {
    namespace fs = std::filesystem;
    fs::permissions(folder / "Alice.dat",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::Yes);
    dialogs.expect(QStringLiteral("Are you sure you want to delete the selected profile?"),
                   MessageAnswer::Yes);
    dialogs.expect(
        QStringLiteral("The profile \"Alice\" is read-only for you: the permissions of its file do not let "
                       "you change it, so it "
                       "was neither changed nor deleted.\nIts owner can let the colleagues who share the "
                       "folder change it by "
                       "making the file writable for the folder's group (on Linux: chmod g+w \"Alice.dat\"; "
                       "on Windows: clear "
                       "its Read-only attribute, or the Security tab of the file's properties)."));
    ASSERT_TRUE(press("Delete"));
    EXPECT_EQ(dialogs.last().title, u"Read-Only Profile");
    EXPECT_TRUE(exists(u"Alice"));
    EXPECT_EQ(list()->findText(QStringLiteral("Alice")), 0);
}

#ifndef _WIN32
// A profile that is a link in a folder the group can write: Continue says why it is not followed,
// and the window stays in the profile view.
TEST_F(ProfileCommands, ContinueOnALinkOthersCouldRedirectSaysWhyAndTheWindowStays) {
    const std::filesystem::path own = folder.parent_path() / "own";
    std::filesystem::create_directories(own);
    std::filesystem::rename(folder / "Alice.dat", own / "Alice.dat");
    std::filesystem::create_symlink(own / "Alice.dat", folder / "Alice.dat");
    ASSERT_EQ(::chmod(folder.c_str(), 02770), 0);
    list()->setCurrentIndex(list()->findText(QStringLiteral("Alice")));
    dialogs.expect(QStringLiteral(
        "The profile \"Alice\" is a link, and other users can change the folder it is in or the folder it "
        "leads "
        "to: they could point it at a file of yours outside the database folder, so Keyloft does not follow "
        "it."
        "\nKeep the profile file itself in the database folder, or keep the link and the file it leads to in "
        "folders that only you can change (on Linux: chmod go-w on both folders)."));
    find<QPushButton>("cmdNext")->click();
    EXPECT_EQ(dialogs.last().title, u"Link Not Followed");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(frameShown("fraProfile"));
    EXPECT_FALSE(frameShown("fraLogin"));
}
#endif

class DamagedProfile : public WindowTest {};

TEST_F(DamagedProfile, AnEmptyProfileFileIsCalledEmptyNotAWrongLogon) {
    writeProfile({.name = u"Alice"});
    TempFolder::writeFile(folder / "Empty.dat", "");
    start();
    dialogs.expect(QStringLiteral("The profile file is empty."));
    unlockAndChoose(QStringLiteral("Empty"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(frameShown("fraProfile"));
    EXPECT_FALSE(frameShown("fraLogin"));
}

// A file whose name is not valid text (not UTF-8 on POSIX systems, a lone surrogate on Windows)
// cannot be shown: it is left out each time the folder is listed, also when Unlock lists it again.
TEST_F(DamagedProfile, AFileNameThatIsNotUtf8IsLeftOutOfTheList) {
    writeProfile({.name = u"Alice"});
#ifdef _WIN32
    const std::filesystem::path badName = folder / std::wstring(L"Caf\xD800.dat");
#else
    const std::filesystem::path badName = folder / std::string("Caf\xe9.dat");
#endif
    TempFolder::writeFile(badName, "");
#ifdef _WIN32
    // NTFS keeps such names; a file system that keeps its names as UTF-8 (Wine's) refuses them.
    if (!std::filesystem::exists(badName)) GTEST_SKIP() << "this file system refuses a lone surrogate";
#endif
    ASSERT_TRUE(std::filesystem::exists(badName));
    start();
    ASSERT_TRUE(press("Unlock"));
    auto* list = find<QComboBox>("cboProfile");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->itemText(0), QStringLiteral("Alice"));
    std::filesystem::remove(badName);
}

}  // namespace
}  // namespace keyloft::testing
