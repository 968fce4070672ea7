#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>

#include "crypto/text_cipher.h"
#include "store/profile_codec.h"
#include "store/profile_verifier.h"
#include "store/text_convert.h"
#include "store/profile_history.h"
#include "support/store_answers.h"
#include "store_fixture.h"
#include "support/child_wait.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft::testing {
namespace {

const std::u16string kGenericLoadFailure53 =
    u"An Error has occurred!. The error is : \nFile not found  ReadFromFile (53)\nPlease close application "
    u"and re-open.";

// File modes, the superuser and fork are POSIX matters; the Windows file system's tests check
// the access rules of new and replaced files there.
#ifndef _WIN32
unsigned ModeOf(const std::filesystem::path& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0);
    return st.st_mode & 07777;
}
#endif

std::int32_t StoredVersion(const std::string& bytes) {
    const DecodedFile file = DecodeFileForTest(bytes);
    if (file.plain.size() < 2) {
        return -1;
    }
    const std::vector<std::u16string> fields = SplitFields(file.plain[1]);
    if (fields.size() < 2) {
        return -1;
    }
    ErrorInfo ignored;
    return ParseInt32(fields[1], ignored).value_or(-1);
}

// ---------------------------------------------------------------------------------------------
// Creating, opening, saving

TEST_F(StoreTest, CreateWritesTheFirstFileWithDefaultsOwnerOnly) {
    Instance& a = startInstance();
    a.host.answers = {MessageAnswer::No};  // "Profiles Missing": stay in the database folder
    EXPECT_TRUE(a.list().empty());
    a.host.clear();
    ASSERT_TRUE(a.create(u"Home"));
    EXPECT_TRUE(a.host.messages.empty());
#ifndef _WIN32
    EXPECT_EQ(ModeOf(profileFile(u"Home")), 0600u);
#endif
    EXPECT_FALSE(a.store->open().holdsFile());

    // Kind 9 is the profile's identity, which readers that do not know it skip.
    const DecodedFile file = DecodeFileForTest(fileBytes(u"Home"));
    ASSERT_EQ(file.lines.size(), 8u);
    EXPECT_EQ(file.plain[0], AppendRecordSum(u"1|1"));
    EXPECT_EQ(file.plain[1], AppendRecordSum(u"8|1"));
    EXPECT_EQ(file.plain[2].substr(0, 2), u"9|");
    EXPECT_EQ(file.plain[3], AppendRecordSum(u"2|opensesame|opensesame|opensesame"));
    EXPECT_EQ(file.plain[4], AppendRecordSum(u"5|Default Question|opensesame"));
    EXPECT_EQ(file.plain[5], AppendRecordSum(u"6|1"));

    ASSERT_TRUE(a.open(u"Home").loaded());
    EXPECT_EQ(file.plain[2], AppendRecordSum(IdentityRecord(a.store->open().profile().identity)));
    EXPECT_TRUE(IsProfileIdentity(a.store->open().profile().identity));
    EXPECT_TRUE(a.store->open().holdsFile());
    EXPECT_EQ(a.store->open().profileName(), u"Home");
    EXPECT_EQ(a.store->open().profile().password, u"opensesame");
    EXPECT_EQ(a.store->open().profile().version, 1);
}

TEST_F(StoreTest, CreateRefusesBadNamesAndExistingProfiles) {
    Instance& a = startInstance();
    a.host.answers = {MessageAnswer::No};
    a.list();
    const std::u16string badName =
        u"A profile name cannot contain any of these characters: . \\ / : * ? \" < > |";
    for (const std::u16string name : {u"../x", u"My.Work", u"a/b", u"a|b", u"a\tb", u"q?", u"x\"y"}) {
        a.host.clear();
        EXPECT_FALSE(a.create(name));
        ASSERT_EQ(a.host.messages.size(), 1u);
        EXPECT_EQ(a.host.messages[0].text, badName);
        EXPECT_EQ(a.host.messages[0].title, u"Keyloft");
    }
    a.host.clear();
    EXPECT_FALSE(a.create(u""));
    EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{u"Specify a profile name!"});
    EXPECT_TRUE(std::filesystem::is_empty(database));

    // A trailing blank is kept in the file name.
    EXPECT_TRUE(a.create(u"Home "));
    EXPECT_TRUE(std::filesystem::exists(database / "Home .dat"));
    const std::string before = TempFolder::readFile(database / "Home .dat");
    a.host.clear();
    EXPECT_FALSE(a.create(u"Home ") && !a.host.messages.empty());
    EXPECT_EQ(a.host.texts(),
              std::vector<std::u16string>{u"This profile already exists. Please choose another name!"});
    EXPECT_EQ(TempFolder::readFile(database / "Home .dat"), before);
}

TEST_F(StoreTest, TwoSavesInARowCountUpTwiceAndLeaveNoBackup) {
    Instance& a = createAndOpen(u"Home");
#ifndef _WIN32
    ::chmod(profileFile(u"Home").c_str(), 0640);
#endif
    EXPECT_EQ(a.add(u"4|Bank|Giro|me|pw||||"), SaveOutcome::Saved);
    EXPECT_EQ(a.add(u"4|Bank|Card|me|pin||||"), SaveOutcome::Saved);

    EXPECT_TRUE(a.host.messages.empty());
    EXPECT_TRUE(a.host.waits.empty());
    EXPECT_EQ(a.store->open().profile().version, 3);
    EXPECT_FALSE(std::filesystem::exists(database / "Home.dat.bak"));
    EXPECT_TRUE(a.store->open().holdsFile());
#ifndef _WIN32
    EXPECT_EQ(ModeOf(profileFile(u"Home")), 0640u);  // a save keeps the permissions
#endif

    a.store->open().closeHeldFile();
    EXPECT_EQ(StoredVersion(fileBytes(u"Home")), 3);
    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    EXPECT_EQ(b.store->open().profile().entries, a.store->open().profile().entries);
}

TEST_F(StoreTest, VersionWrapsToOne) {
    Instance& a = createAndOpen(u"Home");
    Profile p = a.store->open().profile();
    p.version = 2147483639;
    a.store->open().closeHeldFile();
    WriteProfileFile(profileFile(u"Home"), p);
    ForgetSeenProfile(*a.settings, profileFile(u"Home"));  // a file this user never saw
    ASSERT_TRUE(a.open(u"Home").loaded());
    ASSERT_EQ(a.store->open().profile().version, 2147483639);
    EXPECT_EQ(a.save(), SaveOutcome::Saved);
    EXPECT_EQ(StoredVersion(releasedFileBytes(u"Home")), 1);
    EXPECT_EQ(a.store->open().profile().version, 1);
}

// ---------------------------------------------------------------------------------------------
// Two instances on one folder

TEST_F(StoreTest, ConflictWithUnchangedLogonRefreshesFromTheOtherSave) {
    Instance& a = createAndOpen(u"Home");
    a.store->open().closeHeldFile();  // A's session stays open but another user gets the file

    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.add(u"4|Bank|B's entry|b|pw||||"), SaveOutcome::Saved);
    b.store->open().closeHeldFile();
    const std::string afterB = fileBytes(u"Home");

    EXPECT_EQ(a.add(u"4|Bank|A's entry|a|pw||||"), SaveOutcome::ConflictRefreshed);
    EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{
                                  u"The record has been modified by another user.\nRefreshing data..."});
    ASSERT_FALSE(a.host.messages.empty());
    EXPECT_EQ(a.host.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(a.host.locks, 0);
    EXPECT_TRUE(a.store->open().holdsFile());       // the reloaded file is held under its own name
    EXPECT_EQ(releasedFileBytes(u"Home"), afterB);  // nothing written
    EXPECT_FALSE(std::filesystem::exists(database / "Home.dat.bak"));
    EXPECT_EQ(RecordsOf(a.store->open().profile().entries),
              std::vector<std::u16string>{u"4|Bank|B's entry|b|pw||||"});
    EXPECT_EQ(a.store->open().profile().version, 2);

    // A's next save goes through.
    EXPECT_EQ(a.add(u"4|Bank|A again|a|pw||||"), SaveOutcome::Saved);
    EXPECT_EQ(StoredVersion(releasedFileBytes(u"Home")), 3);
}

TEST_F(StoreTest, ConflictWithChangedLogonLocksTheSession) {
    Instance& a = createAndOpen(u"Home");
    a.store->open().closeHeldFile();
    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.carryOut(ChangeSecurity(*b.store, [](Profile& p) { p.password = u"new password"; })),
              SaveOutcome::Saved);
    b.store->open().closeHeldFile();
    const std::string afterB = fileBytes(u"Home");

    EXPECT_EQ(a.add(u"4|x|y|z|w||||"), SaveOutcome::ConflictLockedOut);
    EXPECT_EQ(a.host.texts(),
              std::vector<std::u16string>{
                  u"The profile has been modified by another user.\nYou will have to login again."});
    EXPECT_EQ(a.host.dirtyCleared, 1);
    EXPECT_EQ(a.host.locks, 1);
    EXPECT_FALSE(a.store->open().holdsFile());
    EXPECT_EQ(fileBytes(u"Home"), afterB);
    EXPECT_FALSE(std::filesystem::exists(database / "Home.dat.bak"));
    EXPECT_EQ(a.store->open().profile().password, u"new password");
}

TEST_F(StoreTest, SaveWhileAnotherInstanceHoldsTheFileFailsAfterFiveAttempts) {
    Instance& b = createAndOpen(u"Home");
    b.store->open().closeHeldFile();
    Instance& a = startInstance();
    ASSERT_TRUE(a.open(u"Home").loaded());  // A holds it now
    const std::string before = fileBytes(u"Home");

    b.host.clear();
    b.files->holdAttempts.clear();
    EXPECT_EQ(b.add(u"4|x|y|z|w||||"), SaveOutcome::Failed);
    EXPECT_EQ(std::count(b.files->holdAttempts.begin(), b.files->holdAttempts.end(), profileFile(u"Home")),
              5);
    EXPECT_EQ(b.host.waits, (std::vector<int>{3000, 3000, 3000, 3000}));
    ASSERT_EQ(b.host.messages.size(), 1u);
    EXPECT_EQ(b.host.messages[0].text,
              u"An Error has occurred!. The error is : \nPermission denied(70)\nPlease close application and "
              u"re-open.");
    EXPECT_EQ(b.host.messages[0].title, u"WriteToFile");
    EXPECT_EQ(fileBytes(u"Home"), before);
    EXPECT_EQ(b.store->open().profile().version, 1);  // put back with the file
    const auto log = logLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "#2026-12-07 16:57:18#,\"Writetofile\",\"70\",\"Permission denied\"");
    EXPECT_TRUE(a.store->open().holdsFile());

    // A second instance cannot load or delete the held profile either; it is told so, and the
    // caller decides what to show (the window stays open).
    Instance& c = startInstance();
    const OpenResult opened = c.open(u"Home");
    EXPECT_EQ(opened.outcome, OpenOutcome::InUse);
    EXPECT_EQ(opened.error.number, 70);
    EXPECT_TRUE(opened.error.inUse);
    EXPECT_EQ(c.host.texts(),
              std::vector<std::u16string>{u"The profile Home is in use by another user. Try again later."});
    EXPECT_EQ(c.host.mainWindowCloses, 0);
    c.host.clear();
    EXPECT_EQ(c.store->open().reload().outcome, OpenOutcome::InUse);
    EXPECT_FALSE(c.store->open().loaded());
    c.host.answers = {MessageAnswer::Yes};
    const DeleteResult deleted = c.remove(u"Home");
    EXPECT_EQ(deleted.outcome, DeleteOutcome::Failed);
    EXPECT_TRUE(deleted.error.inUse);
    EXPECT_TRUE(std::filesystem::exists(profileFile(u"Home")));
}

TEST_F(StoreTest, ReloadAfterConflictFailingFiveTimesClosesTheWindowAndLeavesTheFile) {
    Instance& a = createAndOpen(u"Home");
    a.store->open().closeHeldFile();
    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.save(), SaveOutcome::Saved);
    b.store->open().closeHeldFile();
    const std::string afterB = fileBytes(u"Home");

    a.files->readsBeforeFailure = 3;  // the version is read, every reload fails
    a.save();
    EXPECT_EQ(a.host.waits.size(), 4u);
    EXPECT_EQ(a.host.texts(), (std::vector<std::u16string>{
                                  u"An Error has occurred!. The error is : \nDevice I/O error  ReadFromFile "
                                  u"(57)\nPlease close application and re-open.",
                                  u"The record has been modified by another user.\nRefreshing data..."}));
    EXPECT_EQ(a.host.mainWindowCloses, 1);
    EXPECT_EQ(releasedFileBytes(u"Home"), afterB);
    EXPECT_EQ(std::filesystem::directory_iterator(database)->path().filename(), "Home.dat");
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"#2026-12-07 16:57:18#,\"ReadFromFile\",\"57\",\"Device I/O error\""});
}

// A load that finds a file older than this user saw stops at the question and leaves it to the
// caller: nothing is asked meanwhile, nothing logged on with or written, and the answer finishes it.
TEST_F(StoreTest, AReplacedFileWaitsForTheCallersAnswer) {
    Instance& a = createAndOpen(u"Home");
    const std::string older = releasedFileBytes(u"Home");
    ASSERT_EQ(a.add(u"4|b|c|d|e||||"), SaveOutcome::Saved);
    instances.clear();
    for (const bool open : {false, true}) {
        SCOPED_TRACE(open);
        TempFolder::writeFile(profileFile(u"Home"), older);
        Instance& b = startInstance();
        const OpenResult asked = b.store->open().openProfile(u"Home");
        ASSERT_EQ(asked.outcome, OpenOutcome::NeedsAnswer);
        ASSERT_TRUE(asked.question.has_value());
        EXPECT_EQ(asked.question->question, Question::OpenReplacedProfile);
        EXPECT_TRUE(b.host.messages.empty());
        EXPECT_EQ(b.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::Incorrect);
        EXPECT_EQ(b.store->open().save().outcome, SaveOutcome::Failed);
        EXPECT_EQ(releasedFileBytes(u"Home"), older);

        const OpenResult answered = b.store->open().answerReplacedFile(open);
        EXPECT_EQ(answered.outcome, open ? OpenOutcome::Loaded : OpenOutcome::Replaced);
        EXPECT_EQ(b.store->open().logOn({u"", u"opensesame", u""}),
                  open ? LogonOutcome::LoggedOn : LogonOutcome::Incorrect);
        const std::vector<std::string> log = logLines();
        ASSERT_FALSE(log.empty());
        EXPECT_NE(log.back().find(open ? " Opened." : " Not opened."), std::string::npos) << log.back();
        instances.clear();
    }
}

TEST_F(StoreTest, SaveStartedDuringAnotherSaveDoesNotTakeTheFileAgain) {
    Instance& a = createAndOpen(u"Home");
    a.store->open().closeHeldFile();
    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.add(u"4|b|c|d|e||||"), SaveOutcome::Saved);
    b.store->open().closeHeldFile();
    const std::string afterB = fileBytes(u"Home");

    // The user saves again while the first save waits to read the file again after its conflict
    // (the version line reads, the reload's first read fails; the window runs events in the wait).
    bool nestedStarted = false;
    a.files->holdAttempts.clear();
    a.files->readsBeforeFailure = 3;
    a.host.onWait = [&](int) {
        a.files->readsBeforeFailure = -1;
        if (!nestedStarted) {
            nestedStarted = true;
            a.save();
        }
    };
    a.save();
    ASSERT_TRUE(nestedStarted);
    EXPECT_EQ(a.files->holdAttempts.size(), 1u);  // only the first save took the file
    EXPECT_EQ(releasedFileBytes(u"Home"), afterB);
    EXPECT_EQ(RecordsOf(a.store->open().profile().entries), std::vector<std::u16string>{u"4|b|c|d|e||||"});
}

TEST_F(StoreTest, VerifierReadsAFileWithoutLogonAndRespectsTheHold) {
    Instance& a = createAndOpen(u"Home");
    ASSERT_EQ(a.add(u"4|c|d|u|p||||"), SaveOutcome::Saved);
    auto files = platform::CreateHostFileSystem();
    VerifyReport report = VerifyProfileFile(*files, profileFile(u"Home"));
    EXPECT_FALSE(report.ok);  // held by the running instance
    EXPECT_EQ(report.fault, u"the file cannot be opened: error 70 \"Permission denied\"");

    a.store->open().closeHeldFile();
    report = VerifyProfileFile(*files, profileFile(u"Home"));
    EXPECT_TRUE(report.ok) << std::string(report.fault.begin(), report.fault.end());
    EXPECT_EQ(report.lineCount, 9u);  // with the identity
    EXPECT_EQ(report.version.value_or(-1), 2);
    EXPECT_EQ(report.entryCount, 1u);
    EXPECT_TRUE(a.host.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(database / "KeyloftErrors.log"));

    report = VerifyProfileFile(*files, profileFile(u"Missing"));
    EXPECT_EQ(report.fault, u"the file cannot be opened: error 53 \"File not found\"");
}

// ---------------------------------------------------------------------------------------------
// Failures while saving

TEST_F(StoreTest, WriteFailingAtAnyLineLeavesTheOldFileByteIdentical) {
    Instance& a = createAndOpen(u"Home");
    Profile p = a.store->open().profile();
    for (int i = 0; i < 3; ++i) p.entries.push_back(EntryOf(u"4|c|entry " + Int32Text(i) + u"|u|p||||"));
    p.version = 2;
    a.store->open().closeHeldFile();
    WriteProfileFile(profileFile(u"Home"), p);
    ASSERT_TRUE(a.open(u"Home").loaded());  // version 2, 10 lines
    for (const int failingLine : {1, 2, 5, 10}) {
        SCOPED_TRACE(failingLine);
        const std::string before = fileBytes(u"Home");
        std::filesystem::remove(database / "KeyloftErrors.log");
        a.host.clear();
        a.files->failWriteAtLine = failingLine;
        EXPECT_EQ(a.add(u"4|c|lost?|u|p||||"), SaveOutcome::Failed);
        EXPECT_EQ(fileBytes(u"Home"), before);
        EXPECT_FALSE(std::filesystem::exists(database / "Home.dat.bak"));
        EXPECT_EQ(logLines(),
                  std::vector<std::string>{"#2026-12-07 16:57:18#,\"Writetofile\",\"61\",\"Disk full\""});
        EXPECT_EQ(a.host.texts(),
                  std::vector<std::u16string>{u"An Error has occurred!. The error is : \nDisk "
                                              u"full(61)\nPlease close application and re-open."});
        EXPECT_EQ(a.store->open().profile().version, 2);
        EXPECT_TRUE(
            a.store->open().holdsFile());  // the old file stays held: nobody else can change it meanwhile
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(database), {}),
                  2);  // profile and log only
    }
    // With the version put back, the next save is no conflict and keeps the change.
    a.files->failWriteAtLine = 0;
    a.host.clear();
    EXPECT_EQ(a.save(), SaveOutcome::Saved);
    EXPECT_TRUE(a.host.messages.empty());
    const std::string saved = releasedFileBytes(u"Home");
    EXPECT_EQ(StoredVersion(saved), 3);
    EXPECT_EQ(DecodeFileForTest(saved).lines.size(), 10u + 5);
}

TEST_F(StoreTest, FailingFlushInstallAndCreateLeaveNothingHalfMade) {
    Instance& a = createAndOpen(u"Home");
    const std::string before = fileBytes(u"Home");
    a.files->failFlush = true;
    EXPECT_EQ(a.save(), SaveOutcome::Failed);
    EXPECT_EQ(fileBytes(u"Home"), before);
    a.files->failFlush = false;
    a.files->failInstall = [](const std::filesystem::path&) { return true; };
    a.host.clear();
    EXPECT_EQ(a.save(), SaveOutcome::Failed);
    EXPECT_TRUE(a.host.waits.empty());  // not another instance: no waiting
    EXPECT_EQ(fileBytes(u"Home"), before);
    a.files->failInstall = nullptr;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(database), {}), 2);  // profile and log only

    // A new profile whose first file cannot be completed is not left behind.
    a.files->failWriteAtLine = 3;
    a.host.clear();
    EXPECT_FALSE(a.create(u"Work"));
    EXPECT_FALSE(std::filesystem::exists(profileFile(u"Work")));
    EXPECT_EQ(a.host.messages.at(0).title, u"WriteToFile");
}

#ifndef _WIN32  // POSIX only
TEST_F(StoreTest, ReadOnlyFolderFailsTheSaveAndKeepsTheFile) {
    createAndOpen(u"Home").store->open().closeHeldFile();
    const std::string before = fileBytes(u"Home");
    // Returns 0 when everything went as expected, else the number of the failed check.
    auto saveInReadOnlyFolder = [&]() -> int {
        Instance& b = startInstance();
        if (!b.open(u"Home").loaded()) {
            return 1;
        }
        ::chmod(database.c_str(), 0500);
        if (b.add(u"4|x|y|z|w||||") != SaveOutcome::Failed) {
            return 2;
        }
        // The folder refuses the temporary file: the real reason at once, no waiting.
        if (!b.host.waits.empty() || b.host.messages.size() != 1) {
            return 3;
        }
        if (b.host.messages[0].text !=
            u"An Error has occurred!. The error is : \nPermission denied(70)\nPlease close application and "
            u"re-open.") {
            return 4;
        }
        if (fileBytes(u"Home") != before || std::filesystem::exists(database / "KeyloftErrors.log")) {
            return 5;
        }
        return 0;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(saveInReadOnlyFolder(), 0);
        return;
    }
    // Permissions do not bind the superuser: run the instance as an ordinary user.
    const uid_t nobody = 65534;
    ASSERT_EQ(::chown(database.c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chown(profileFile(u"Home").c_str(), nobody, nobody), 0);
    // The test's settings (this user's alone, 0600) name the folder for that user too.
    ASSERT_EQ(::chown(settingsFolder.c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chown((settingsFolder / "Keyloft.conf").c_str(), nobody, nobody), 0);
    const pid_t child = keyloft::testing::ForkChild("the instance of another user");
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) {
            ::_exit(100);
        }
        ::_exit(saveInReadOnlyFolder());
    }
    const std::optional<int> ended = WaitForChild(child);
    ASSERT_TRUE(ended.has_value()) << "the child process did not end";
    const int status = *ended;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(fileBytes(u"Home"), before);
}
#endif

// A file whose permissions keep this user out is told as such, with the way to put it right; the
// window stays (closing it would not help), and a session the change catches ends.
TEST_F(StoreTest, AProfileThePermissionsKeepOutSaysSoAndHow) {
    createAndOpen(u"Home").store->open().closeHeldFile();
    Instance& b = startInstance();
    b.files->openError = error::kPermissionDenied;
    const auto refuse = [](const std::filesystem::path&) { return true; };
    b.files->failOpen = refuse;
    const OpenResult refused = b.open(u"Home");
    EXPECT_EQ(refused.outcome, OpenOutcome::NotReadable);
    EXPECT_EQ(
        b.host.texts(),
        std::vector<std::u16string>{
            u"You may not read the profile \"Home\": the permissions of its file keep you out, and closing "
            u"and "
            u"re-opening will not change that.\nIts owner can let the colleagues who share the folder in by "
            u"making the file readable and writable for the folder's group (on Linux: chmod g+rw "
            u"\"Home.dat\"; "
            u"on Windows: the Security tab of the file's properties)."});
    EXPECT_EQ(b.host.messages[0].title, u"Permission Denied");
    EXPECT_EQ(b.host.mainWindowCloses + b.host.locks, 0);
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_NE(logLines()[0].find("\"ReadFromFile\",\"70\",\"Permission denied\""), std::string::npos)
        << logLines()[0];

    b.files->failOpen = nullptr;
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.store->open().logOn({u"", kDefaultLogonValue, u""}), LogonOutcome::LoggedOn);
    b.files->failOpen = refuse;
    b.host.clear();
    EXPECT_EQ(b.reload().outcome, OpenOutcome::NotReadable);
    EXPECT_EQ(b.host.locks, 1);
    EXPECT_EQ(b.host.mainWindowCloses, 0);
}

TEST_F(StoreTest, MissingFolder) {
    std::filesystem::remove_all(database);
    Instance& a = startInstance();
    const std::u16string noProfilesQuestion = u"No Profiles found in Database location!\n" +
                                              database.u16string() +
                                              u"\nTry application installation folder?";
    a.host.answers = {MessageAnswer::No};
    EXPECT_TRUE(a.list().empty());
    ASSERT_EQ(a.host.messages.size(), 1u);
    EXPECT_EQ(a.host.messages[0].text, noProfilesQuestion);
    EXPECT_EQ(a.host.messages[0].title, u"Profiles Missing");
    EXPECT_EQ(a.host.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(a.host.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(a.store->folder().databaseFolder(), database);

    a.host.clear();
    a.host.answers = {MessageAnswer::No};
    EXPECT_FALSE(a.create(u"Home"));
    // The caller shows the failure, then lists the folder again, which asks.
    EXPECT_TRUE(a.list().empty());
    EXPECT_EQ(a.host.texts(),
              (std::vector<std::u16string>{u"An Error has occurred!. The error is : \nPath not "
                                           u"found(76)\nPlease close application and re-open.",
                                           noProfilesQuestion}));
    EXPECT_EQ(logLines(), std::vector<std::string>{});  // the log cannot be written either

    // Yes: the application folder is used for this run.
    TempFolder::writeFile(applicationFolder / "Spare.dat", "");
    a.host.clear();
    a.host.answers = {MessageAnswer::Yes};
    EXPECT_EQ(a.list(), std::vector<std::u16string>{u"Spare"});
    EXPECT_EQ(a.store->folder().databaseFolder(), applicationFolder);
}

TEST_F(StoreTest, ReadVersionFailingFiveTimesLocksAndLeavesTheFile) {
    Instance& a = createAndOpen(u"Home");
    const std::string before = releasedFileBytes(u"Home");
    ASSERT_FALSE(before.empty());
    a.files->readsBeforeFailure = 0;
    a.add(u"4|x|y|z|w||||");
    EXPECT_EQ(releasedFileBytes(u"Home"), before);
    ASSERT_GE(a.host.messages.size(), 1u);
    EXPECT_EQ(a.host.messages[0].text, u"An Error has occurred!. The error is : \nDevice I/O error");
    EXPECT_EQ(a.host.messages[0].title, u"ReadFromFile");
    EXPECT_GE(a.host.locks, 1);
    const auto log = logLines();
    ASSERT_GE(log.size(), 1u);
    EXPECT_EQ(log[0], "#2026-12-07 16:57:18#,\"ReadVersion\",\"57\",\"Device I/O error\"");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(database), {}), 2);  // profile and log only
}

// ---------------------------------------------------------------------------------------------
// Loading faults

class LoadTest : public StoreTest {
  protected:
    Instance& openFile(const std::vector<std::string>& lines) {
        TempFolder::writeFile(profileFile(u"P"), JoinFileLines(lines));
        Instance& a = startInstance();
        a.list();
        a.host.clear();
        opened = a.open(u"P").loaded();
        return a;
    }
    bool opened = false;
    static std::u16string S(std::u16string_view r) { return AppendRecordSum(r); }
};

TEST_F(LoadTest, GoodFileLoadsAndKindNineIsSkipped) {
    Instance& a = openFile(BuildLines({S(u"1|2"), S(u"8|4"), S(u"2|me|pw|"), u"9|future record", S(u"3|Bank"),
                                       S(u"4|Bank|d|u|p|n|e|w|m"), S(u"5|q|a"), S(u"6|1")}));
    EXPECT_TRUE(opened);
    EXPECT_TRUE(a.host.messages.empty());
    const Profile& p = a.store->open().profile();
    EXPECT_EQ(p.logonMode, 2);
    EXPECT_EQ(p.version, 4);
    EXPECT_EQ(p.userId, u"me");
    EXPECT_EQ(p.pin, u"");
    EXPECT_EQ(p.entries, std::vector<Entry>{EntryOf(u"4|Bank|d|u|p|n|e|w|m")});
    EXPECT_EQ(p.categories.at(1).name, u"Bank");
}

TEST_F(LoadTest, TrailerMissingOrLinesAfterItFailTheTrailerCheck) {
    for (const bool extraLine : {false, true}) {
        auto lines = BuildLines({S(u"1|1"), S(u"8|1")}, extraLine);
        if (extraLine) {
            lines.push_back(EncryptUnderTestKey(S(u"6|1")));
        }
        Instance& a = openFile(lines);
        EXPECT_FALSE(opened);
        EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{u"Invalid Data!."});
        ASSERT_FALSE(a.host.messages.empty());
        EXPECT_EQ(a.host.messages[0].title, u"Keyloft");
        EXPECT_EQ(a.host.mainWindowCloses, 1);
        EXPECT_FALSE(std::filesystem::exists(database / "KeyloftErrors.log"));
        EXPECT_TRUE(a.store->open().holdsFile());  // the file stays held until the window closes
        a.store->open().closeHeldFile();
    }
}

TEST_F(LoadTest, SumOffByOneLocksThenFailsWithTheGenericMessage) {
    const std::u16string bad = u"8|3|" + Int32Text(static_cast<std::int32_t>(RecordSum(u"8|3") + 1));
    Instance& a = openFile(BuildLines({S(u"1|1"), bad, S(u"2|a|b|c"), S(u"6|1")}));
    EXPECT_FALSE(opened);
    EXPECT_EQ(a.host.texts(), (std::vector<std::u16string>{
                                  u"Invalid Data",
                                  u"An Error has occurred!. The error is : \nBad file name or number  "
                                  u"ReadFromFile (52)\nPlease close application and re-open."}));
    EXPECT_EQ(a.host.locks, 1);
    EXPECT_EQ(a.host.mainWindowCloses, 1);
    EXPECT_EQ(a.store->open().profile().version, 3);  // the record's value was still taken
    EXPECT_FALSE(a.store->open().holdsFile());
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "#2026-12-07 16:57:18#,\"RSumofAC\",\"0\",\"\"",
                              "#2026-12-07 16:57:18#,\"ReadFromFile\",\"52\",\"Bad file name or number\""}));
}

TEST_F(LoadTest, CategoriesDifferingOnlyInCaseFailTheLoad) {
    Instance& a = openFile(BuildLines({S(u"1|1"), S(u"3|Bank"), S(u"3|bANK"), S(u"6|1")}));
    EXPECT_FALSE(opened);
    EXPECT_EQ(a.host.texts(),
              std::vector<std::u16string>{
                  u"An Error has occurred!. The error is : \nThis key is already associated with an element "
                  u"of this collection  ReadFromFile (457)\nPlease close application and re-open."});
    EXPECT_EQ(a.host.mainWindowCloses, 1);
}

TEST_F(LoadTest, EmptyFileIsADamagedFileNotAWrongLogon) {
    TempFolder::writeFile(profileFile(u"P"), "");
    Instance& a = createAndOpen(u"Home");
    ASSERT_EQ(a.add(u"4|x||u||||"), SaveOutcome::Saved);
    const OpenResult result = a.open(u"P");
    EXPECT_EQ(result.outcome, OpenOutcome::Empty);
    EXPECT_FALSE(a.store->open().loaded());
    EXPECT_FALSE(a.store->open().holdsFile());
    EXPECT_TRUE(a.store->open().profile().entries.empty());  // nothing of the earlier profile is left to show
    // One message and nothing else: the window stays open in the profile view.
    EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{u"The profile file is empty."});
    EXPECT_EQ(a.host.mainWindowCloses, 0);
    EXPECT_EQ(a.host.locks, 0);
    EXPECT_EQ(logLines(), std::vector<std::string>{
                              "#2026-12-07 16:57:18#,\"ReadFromFile\",\"62\",\"Input past end of file\""});
}

TEST_F(LoadTest, LineTheCipherRejectsEndsTheProgram) {
    auto lines = BuildLines({S(u"1|1"), S(u"8|1"), S(u"6|1")});
    lines[2].resize(lines[2].size() - 2);
    Instance& a = openFile(lines);
    EXPECT_FALSE(opened);
    ASSERT_EQ(a.host.messages.size(), 1u);
    EXPECT_EQ(a.host.messages[0].text, u"Invalid data.");
    EXPECT_EQ(a.host.messages[0].title, u"Decrypt Error");
    EXPECT_EQ(a.host.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(a.host.programEnds, 1);
    EXPECT_EQ(logLines(), std::vector<std::string>{"#2026-12-07 16:57:18#,\"Decrypt\",\"0\",\"\""});
    // Nothing more happens after the end.
    EXPECT_EQ(a.save(), SaveOutcome::Failed);
    EXPECT_EQ(a.host.messages.size(), 1u);
}

TEST_F(LoadTest, FileDeletedBetweenListingAndOpening) {
    TempFolder::writeFile(profileFile(u"P"), "");
    Instance& a = startInstance();
    EXPECT_EQ(a.list(), std::vector<std::u16string>{u"P"});
    std::filesystem::remove(profileFile(u"P"));
    EXPECT_FALSE(a.open(u"P").loaded());
    EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{kGenericLoadFailure53});
    EXPECT_EQ(a.host.mainWindowCloses, 1);
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"#2026-12-07 16:57:18#,\"ReadFromFile\",\"53\",\"File not found\""});
}

// ---------------------------------------------------------------------------------------------
// Folder, settings, log

TEST_F(StoreTest, ListingIsSortedAndCutsNamesAtTheFirstDot) {
    for (const char* name :
         {"Zed.dat", "alpha.dat", "My.Work.dat", "Home.dat.bak", "notes.txt", "Beta.dat"}) {
        TempFolder::writeFile(database / name, "");
    }
    std::filesystem::create_directory(database / "folder.dat");
    Instance& a = startInstance();
    EXPECT_EQ(a.list(), (std::vector<std::u16string>{u"Beta", u"My", u"Zed", u"alpha"}));
    EXPECT_TRUE(a.host.messages.empty());
}

TEST_F(StoreTest, DeleteAsksFirstAndReportsMissingFiles) {
    Instance& a = createAndOpen(u"Home");
    a.store->open().closeHeldFile();
    a.host.clear();
    (void)a.remove(u"Home");  // default answer: No
    ASSERT_EQ(a.host.messages.size(), 1u);
    EXPECT_EQ(a.host.messages[0].text, u"Are you sure you want to delete the selected profile?");
    EXPECT_EQ(a.host.messages[0].title, u"Delete Profile");
    EXPECT_EQ(a.host.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(a.host.messages[0].defaultAnswer, MessageAnswer::No);
    EXPECT_TRUE(std::filesystem::exists(profileFile(u"Home")));

    a.host.answers = {MessageAnswer::Yes};
    (void)a.remove(u"Home");
    EXPECT_FALSE(std::filesystem::exists(profileFile(u"Home")));

    a.host.clear();
    a.host.answers = {MessageAnswer::Yes, MessageAnswer::No};
    (void)a.remove(u"Home");
    ASSERT_EQ(a.host.messages.size(), 2u);
    EXPECT_EQ(a.host.messages[1].text, u"File not found!");
    EXPECT_EQ(a.host.messages[1].title, u"File Error");
    EXPECT_EQ(a.host.messages[1].icon, MessageIcon::Critical);
}

TEST_F(StoreTest, ErrorLogLineFormatAndTheMidnightRule) {
    Instance& a = startInstance();
    a.store->folder().logError(u"ReadFromFile", u"53", u"File not found");
    a.clock.time.hour = 0;
    a.clock.time.minute = 0;
    a.clock.time.second = 0;
    a.store->folder().logError(u"Encrypt", u"0", u"say \"x\"");
    a.clock.time.second = 1;
    a.clock.time.month = 1;
    a.store->folder().logError(u"FillCombo", u"13", u"Type mismatch");
    EXPECT_EQ(TempFolder::readFile(database / "KeyloftErrors.log"),
              "#2026-12-07 16:57:18#,\"ReadFromFile\",\"53\",\"File not found\"\r\n"
              "#2026-12-07#,\"Encrypt\",\"0\",\"say \"x\"\"\r\n"
              "#2026-01-07 00:00:01#,\"FillCombo\",\"13\",\"Type mismatch\"\r\n");

    // A log that cannot be written loses the entry quietly.
    a.store->folder().setDatabaseFolder(database / "missing");
    a.store->folder().logError(u"ReadFromFile", u"53", u"File not found");
    EXPECT_FALSE(std::filesystem::exists(database / "missing"));
}

// An installed program's default database folder is the user's own, apart from the program's
// folder, which the "Profiles Missing" question still offers.
TEST_F(StoreTest, DefaultDatabaseFolderStaysApartFromTheApplicationFolder) {
    const std::filesystem::path userFolder = temp / "user-data";
    std::filesystem::create_directories(userFolder);
    TempFolder::writeFile(applicationFolder / "Spare.dat", "");
    RecordingHost host;
    const std::unique_ptr<FileSystem> files = platform::CreateHostFileSystem();
    const std::unique_ptr<SettingsStore> settings = platform::CreateSettingsStoreIn(temp / "own-settings");
    FakeClock clock;
    ProfileStore store(host, *files, *settings, clock, applicationFolder, userFolder);
    EXPECT_EQ(store.folder().folderFromSettings(), userFolder);
    host.answers = {MessageAnswer::No};
    EXPECT_TRUE(ListAnswered(store, host).empty());
    EXPECT_EQ(host.texts(), std::vector<std::u16string>{u"No Profiles found in Database location!\n" +
                                                        userFolder.u16string() +
                                                        u"\nTry application installation folder?"});
    EXPECT_EQ(store.folder().databaseFolder(), userFolder);
    host.answers = {MessageAnswer::Yes};
    EXPECT_EQ(ListAnswered(store, host), std::vector<std::u16string>{u"Spare"});
    EXPECT_EQ(store.folder().databaseFolder(), applicationFolder);
    ASSERT_TRUE(store.folder().writeSetting(u"Database", database.u16string()));
    EXPECT_EQ(store.folder().folderFromSettings(), database);
}

// A program run from its own folder keeps its profiles there: an empty folder is not offered
// again as "application installation folder", however its name is written.
TEST_F(StoreTest, AnEmptyApplicationFolderIsNotOfferedAgain) {
    RecordingHost host;
    const std::unique_ptr<FileSystem> files = platform::CreateHostFileSystem();
    const std::unique_ptr<SettingsStore> settings = platform::CreateSettingsStoreIn(temp / "own-settings");
    FakeClock clock;
    ProfileStore store(host, *files, *settings, clock, applicationFolder, applicationFolder);
    for (const std::filesystem::path& named :
         {applicationFolder, applicationFolder / "", applicationFolder / "."}) {
        ASSERT_TRUE(store.folder().writeSetting(u"Database", named.u16string()));
        EXPECT_TRUE(ListAnswered(store, host).empty());
        EXPECT_TRUE(host.messages.empty()) << named;
    }
}

TEST_F(StoreTest, DatabaseSettingOfBlanksMeansTheApplicationFolder) {
    Instance& a = startInstance();
    ASSERT_TRUE(a.store->folder().writeSetting(u"Database", u"   "));
    EXPECT_EQ(a.store->folder().folderFromSettings(), applicationFolder);
    const std::u16string padded = u"  " + database.u16string() + u" ";
    ASSERT_TRUE(a.store->folder().writeSetting(u"Database", padded));
    EXPECT_EQ(a.store->folder().folderFromSettings().u16string(), padded);  // used as read, blanks and all

    std::u16string value = u"unchanged";
    EXPECT_FALSE(a.store->folder().readSetting(u"Timer", value));
    EXPECT_EQ(value, u"unchanged");
    ASSERT_TRUE(a.store->folder().writeSetting(u"Timer", u"ten"));
    EXPECT_TRUE(a.store->folder().readSetting(u"Timer", value));
    EXPECT_EQ(value, u"ten");
}

}  // namespace
}  // namespace keyloft::testing
