// What a save does to the folder at every step, and how a load puts right what an interrupted save
// of an earlier build left behind.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>

#include "store/profile_history.h"
#include "store/profile_codec.h"
#include "store/profile_verifier.h"
#include "store/sealed_profile.h"
#include "store_fixture.h"
#include "support/profile_file_edit.h"
#include "support/record_values.h"

using keyloft::testing::EntriesOf;
using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;
using keyloft::testing::QuestionsOf;

namespace keyloft::testing {
namespace {

// Modes, groups, owners and symbolic links are checked on POSIX systems (the Windows file
// system's tests check its access rules).
#ifndef _WIN32
struct stat StatOf(const std::filesystem::path& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
    return st;
}
#endif

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every test runs on a profile in the usual form and on a sealed one (with Argon2id at its
// smallest limits).
class SaveSafetyTest : public StoreTest, public ::testing::WithParamInterface<bool> {
  protected:
    bool sealedForm() const { return GetParam(); }

    // A sound profile file at `version` holding one entry named after it.
    std::string ProfileAt(std::int32_t version) {
        Profile p;
        p.logonMode = kPasswordOnly;
        p.userId = p.password = p.pin = u"opensesame";
        p.answerMode = kOneAnswer;
        p.questions = QuestionsOf({u"5|Default Question|opensesame"});
        p.entries = EntriesOf({u"4||saved at " + Int32Text(version) + u"|me|pw||||"});
        p.version = version;
        return ProfileFileBytes(p, sealedForm());
    }
    // The logon step (a sealed profile shows its records only after it); in the sealed form the
    // saves that follow write the profile sealed.
    void logOn(Instance& a) {
        ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
        if (sealedForm()) a.store->edits().setSealed(true);
    }
    std::filesystem::path backupFile() const { return database / "Home.dat.bak"; }

    Instance& open() {
        Instance& a = startInstance();
        a.host.clear();
        lastOpen = a.open(u"Home");
        return a;
    }
    OpenResult lastOpen;
};

TEST_P(SaveSafetyTest, ASaveWritesFlushesRenamesThenFlushesTheFolder) {
    Instance& a = createAndOpen(u"Home");
    logOn(a);
    a.files->steps.clear();
    ASSERT_EQ(a.add(u"4|c|d|u|p||||"), SaveOutcome::Saved);
    std::vector<std::string> expected{"create"};
    // Usual form: key line, 1, 8, 9 (the identity), 2, the entry, the question, 6, trailer.
    // Sealed: every line of the file, written the same way.
    const std::size_t lines = sealedForm() ? SplitFileLines(releasedFileBytes(u"Home")).size() : 9;
    if (sealedForm()) {
        EXPECT_EQ(SplitFileLines(releasedFileBytes(u"Home")).front(), "KEYLOFT SEALED 1");
    }
    expected.insert(expected.end(), lines, "write");
    expected.insert(expected.end(), {"flush", "install", "flush folder"});
    EXPECT_EQ(a.files->steps, expected);
    EXPECT_EQ(FolderNames(database), std::vector<std::string>{"Home.dat"});

    // Creating follows the same steps.
    a.files->steps.clear();
    ASSERT_TRUE(a.create(u"Work"));
    expected = {"create"};
    expected.insert(expected.end(), 8, "write");
    expected.insert(expected.end(), {"flush", "install", "flush folder"});
    EXPECT_EQ(a.files->steps, expected);
}

TEST_P(SaveSafetyTest, AStaleBackupIsNeverPutBackOverNewerData) {
    TempFolder::writeFile(profileFile(u"Home"), ProfileAt(8));
    TempFolder::writeFile(backupFile(), ProfileAt(7));
    Instance& a = open();
    ASSERT_TRUE(lastOpen.loaded());
    EXPECT_EQ(a.store->open().profile().version, 8);
    EXPECT_FALSE(std::filesystem::exists(backupFile()));
    EXPECT_EQ(logLines(),
              std::vector<std::string>{
                  "#2026-12-07 16:57:18#,\"Recover\",\"0\",\"Home.dat.bak (older (version 7)) was removed; "
                  "Home.dat holds version 8\""});
    logOn(a);
    ASSERT_EQ(a.add(u"4||new|me|pw||||"), SaveOutcome::Saved);
    a.store->open().closeHeldFile();

    Instance& b = open();
    ASSERT_TRUE(lastOpen.loaded());
    EXPECT_EQ(b.store->open().profile().version, 9);
    logOn(b);
    EXPECT_EQ(RecordsOf(b.store->open().profile().entries),
              (std::vector<std::u16string>{u"4||saved at 8|me|pw||||", u"4||new|me|pw||||"}));
}

TEST_P(SaveSafetyTest, ASoundBackupReplacesAMissingEmptyOrDamagedProfile) {
    const std::string backup = ProfileAt(7);
    const std::string newer = ProfileAt(8);
    struct Case {
        const char* name;
        std::optional<std::string> profile;  // nullopt: no profile file
        const char* why;
    };
    const std::vector<Case> cases{
        {"missing", std::nullopt, "was missing"},
        {"empty", std::string(), "was empty"},
        {"cut in the middle of a line", newer.substr(0, newer.size() / 2), "failed its checks"},
        {"cut after a line", newer.substr(0, newer.find("\r\n") + 2), "failed its checks"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(profileFile(u"Home"));
        std::filesystem::remove(database / "KeyloftErrors.log");
        ForgetSeenProfile(*startInstance().settings, profileFile(u"Home"));  // each case a new user
        if (c.profile) {
            TempFolder::writeFile(profileFile(u"Home"), *c.profile);
        }
        TempFolder::writeFile(backupFile(), backup);
        Instance& a = open();
        ASSERT_TRUE(lastOpen.loaded());
        EXPECT_TRUE(a.host.messages.empty());
        EXPECT_EQ(a.store->open().profile().version, 7);
        EXPECT_EQ(releasedFileBytes(u"Home"), backup);
        EXPECT_FALSE(std::filesystem::exists(backupFile()));
        EXPECT_EQ(logLines(),
                  std::vector<std::string>{"#2026-12-07 16:57:18#,\"Recover\",\"0\",\"Home.dat.bak "
                                           "(version 7) was put back as Home.dat, which " +
                                           std::string(c.why) + "\""});
        // The next save goes ahead as usual.
        logOn(a);
        EXPECT_EQ(a.add(u"4||after|me|pw||||"), SaveOutcome::Saved);
        a.store->open().closeHeldFile();
        instances.clear();
    }
}

// A backup never replaces a sound profile unless it proves itself: a sealed one that is newer and
// opens with the profile's own key at logon. A newer one that cannot (in the usual form, which can
// show nothing; one planted with a raised version, its check line made again) is left, and logged.
TEST_P(SaveSafetyTest, ANewerBackupReplacesASoundProfileOnlyWhenItOpensWithItsKey) {
    Instance& a = createAndOpen(u"Home");
    logOn(a);
    ASSERT_EQ(a.add(u"4||older|me|pw||||"), SaveOutcome::Saved);
    const std::string older = releasedFileBytes(u"Home");
    ASSERT_EQ(a.add(u"4||newer|me|pw||||"), SaveOutcome::Saved);
    const std::string newer = releasedFileBytes(u"Home");
    instances.clear();
    const char* left =
        sealedForm() ? "it does not open with the profile's key, or it is not newer"
                     : "a backup replaces a sound profile only when it opens with the sealed profile's key";
    const struct {
        const char* what;
        std::string profile, backup;
        bool putBack;
        const char* logged;
    } cases[] = {
        {"newer, of this profile", older, newer, sealedForm(),
         sealedForm() ? "it opens with the profile's key and is newer" : left},
        {"planted with a higher version", newer,
         sealedForm() ? WithSealedHeaderVersion(older, 99) : ProfileAt(99), false, left},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.backup.empty());
        std::filesystem::remove(database / "KeyloftErrors.log");
        TempFolder::writeFile(profileFile(u"Home"), c.profile);
        TempFolder::writeFile(backupFile(), c.backup);
        Instance& b = startInstance();
        b.host.answers = {MessageAnswer::Yes};  // the first profile file is older than this user saw
        ASSERT_TRUE(b.open(u"Home").loaded());
        logOn(b);
        EXPECT_EQ(releasedFileBytes(u"Home"), c.putBack ? c.backup : c.profile);
        EXPECT_EQ(std::filesystem::exists(backupFile()), !c.putBack);
        const std::vector<std::string> log = logLines();
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.find(c.logged) != std::string::npos;
        })) << ::testing::PrintToString(log);
        instances.clear();
    }
}

TEST_P(SaveSafetyTest, ADamagedBackupBesideASoundProfileGoes) {
    TempFolder::writeFile(profileFile(u"Home"), ProfileAt(8));
    TempFolder::writeFile(backupFile(), "not a profile\r\n");
    Instance& a = open();
    ASSERT_TRUE(lastOpen.loaded());
    EXPECT_EQ(a.store->open().profile().version, 8);
    EXPECT_EQ(FolderNames(database), (std::vector<std::string>{"Home.dat", "KeyloftErrors.log"}));
}

TEST_P(SaveSafetyTest, TwoDamagedFilesAreLeftAsTheyAreAndTheLoadFails) {
    TempFolder::writeFile(profileFile(u"Home"), "damaged\r\n");
    TempFolder::writeFile(backupFile(), "damaged too\r\n");
    Instance& a = open();
    EXPECT_FALSE(lastOpen.loaded());
    EXPECT_EQ(releasedFileBytes(u"Home"), "damaged\r\n");
    EXPECT_EQ(TempFolder::readFile(backupFile()), "damaged too\r\n");
    EXPECT_EQ(a.host.mainWindowCloses, 1);  // the loader's own failure path
}

TEST_P(SaveSafetyTest, TemporaryFilesOfAnInterruptedSaveGoWithTheNextHolder) {
    createAndOpen(u"Home").store->open().closeHeldFile();
    TempFolder::writeFile(database / ".Home.dat.Zx81Zx81.tmp", "half a save");
    TempFolder::writeFile(database / ".Work.dat.Zx81Zx81.tmp", "another profile's");
    // A save under way in another instance keeps its temporary file.
    auto other = platform::CreateHostFileSystem();
    ErrorInfo error;
    std::unique_ptr<WritableFile> underWay = other->createTemporary(profileFile(u"Home"), nullptr, error);
    ASSERT_TRUE(underWay);

    Instance& a = open();
    ASSERT_TRUE(lastOpen.loaded());
    const std::vector<std::string> names = FolderNames(database);
    EXPECT_EQ(std::count(names.begin(), names.end(), ".Home.dat.Zx81Zx81.tmp"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), ".Work.dat.Zx81Zx81.tmp"), 1);
    EXPECT_EQ(names.size(), 4u);  // Home.dat, the log, Work's file and the save under way
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"#2026-12-07 16:57:18#,\"Recover\",\"0\",\"the temporary file "
                                       ".Home.dat.Zx81Zx81.tmp of an interrupted save was removed\""});
    underWay.reset();  // dropped without install: removed
    EXPECT_EQ(FolderNames(database).size(), 3u);
    (void)a;
}

#ifndef _WIN32  // POSIX only
TEST_P(SaveSafetyTest, ASymlinkedProfileIsSavedThroughTheLink) {
    const std::filesystem::path sync = temp / "sync";
    std::filesystem::create_directories(sync);
    // Folders nobody else can change: where a link is followed (shared_folder_links_test.cpp).
    ASSERT_EQ(::chmod(sync.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(database.c_str(), 0755), 0);
    TempFolder::writeFile(sync / "Home.dat", ProfileAt(3));
    std::filesystem::create_symlink("../sync/Home.dat", profileFile(u"Home"));

    Instance& a = open();
    ASSERT_TRUE(lastOpen.loaded());
    logOn(a);
    ASSERT_EQ(a.add(u"4||through the link|me|pw||||"), SaveOutcome::Saved);
    EXPECT_TRUE(std::filesystem::is_symlink(profileFile(u"Home")));
    EXPECT_EQ(FolderNames(sync), std::vector<std::string>{"Home.dat"});
    EXPECT_EQ(FolderNames(database), std::vector<std::string>{"Home.dat"});
    const VerifyReport report = VerifyProfileBytes(TempFolder::readFile(sync / "Home.dat"), kQuickSealing);
    EXPECT_TRUE(report.ok);
    EXPECT_EQ(report.sealed, sealedForm());
    EXPECT_EQ(report.version.value_or(0), 4);
    EXPECT_EQ(report.entryCount, sealedForm() ? 0u : 2u);
    // The instance still holds the file behind the link.
    Instance& b = startInstance();
    EXPECT_EQ(b.open(u"Home").outcome, OpenOutcome::InUse);
}
#endif

#ifndef _WIN32  // POSIX only
TEST_P(SaveSafetyTest, ASaveKeepsPermissionsGroupAndOwner) {
    Instance& a = createAndOpen(u"Home");
    EXPECT_EQ(StatOf(profileFile(u"Home")).st_mode & 07777, 0600u);  // new profiles: owner only
    ASSERT_EQ(::chmod(profileFile(u"Home").c_str(), 0660), 0);
    const bool root = ::geteuid() == 0;
    const gid_t team = root ? 4242 : ::getegid();
    const uid_t alice = root ? 4343 : ::geteuid();
    if (root) {
        ASSERT_EQ(::chown(profileFile(u"Home").c_str(), alice, team), 0);
    }
    logOn(a);
    ASSERT_EQ(a.add(u"4||e|me|pw||||"), SaveOutcome::Saved);
    const struct stat after = StatOf(profileFile(u"Home"));
    EXPECT_EQ(after.st_mode & 07777, 0660u);
    EXPECT_EQ(after.st_gid, team);
    EXPECT_EQ(after.st_uid, alice);
}
#endif

TEST_P(SaveSafetyTest, NamesThatLeaveTheFolderAreRefusedBeforeAnyFileIsTouched) {
    const std::filesystem::path outside = temp / "outside";
    std::filesystem::create_directories(outside);
    const std::string victim = ProfileAt(1);
    TempFolder::writeFile(outside / "victim.dat", victim);
    Instance& a = startInstance();
    for (const std::u16string name :
         {u"../outside/victim", u"a/b", u"/tmp/x", u"..", u"c:d", u"bad\\name", u"NUL", u"com1"}) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        a.host.clear();
        a.files->holdAttempts.clear();
        const OpenResult opened = a.open(name);
        EXPECT_EQ(opened.outcome, OpenOutcome::BadName);
        ASSERT_EQ(opened.report.messages.size(), 1u);
        EXPECT_EQ(opened.report.messages[0].text,
                  u"A profile name cannot contain any of these characters: . \\ / : * ? \" < > |");
        a.host.answers = {MessageAnswer::Yes};
        EXPECT_EQ(a.remove(name).outcome, DeleteOutcome::BadName);
        EXPECT_FALSE(a.create(name));
        EXPECT_TRUE(a.files->holdAttempts.empty());
        EXPECT_TRUE(a.files->steps.empty());
    }
    EXPECT_EQ(FolderNames(outside), std::vector<std::string>{"victim.dat"});
    EXPECT_EQ(TempFolder::readFile(outside / "victim.dat"), victim);
}

#ifndef _WIN32  // POSIX only
TEST_P(SaveSafetyTest, TheErrorLogOfASharedFolderIsWritableByItsGroup) {
    Instance& a = startInstance();
    ASSERT_EQ(::chmod(database.c_str(), 02770), 0);
    a.store->folder().logError(u"ReadFromFile", u"53", u"File not found");
    EXPECT_EQ(StatOf(database / "KeyloftErrors.log").st_mode & 0777, 0660u);
    EXPECT_EQ(StatOf(database / "KeyloftErrors.log").st_gid, StatOf(database).st_gid);

    const std::filesystem::path own = temp / "own";
    std::filesystem::create_directories(own);
    ASSERT_EQ(::chmod(own.c_str(), 0700), 0);
    a.store->folder().setDatabaseFolder(own);
    a.store->folder().logError(u"ReadFromFile", u"53", u"File not found");
    EXPECT_EQ(StatOf(own / "KeyloftErrors.log").st_mode & 0777, 0600u);
}
#endif

INSTANTIATE_TEST_SUITE_P(BothForms, SaveSafetyTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Sealed" : "Usual";
                         });

}  // namespace
}  // namespace keyloft::testing
