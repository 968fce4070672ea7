// A shared folder that other people and other programs change: a profile replaced while it is
// held, a delete racing another instance's save, the order in which a save makes itself durable,
// names and log lines made from what others chose, and the one length rule of every field.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <fstream>
#include <functional>

#include "store/entry.h"
#include "store/error_log.h"
#include "store/expiry_date.h"
#include "store/profile_codec.h"
#include "store/work_counts.h"
#include "store_fixture.h"
#include "support/record_values.h"

using keyloft::testing::EntriesOf;
using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;
using keyloft::testing::QuestionsOf;

namespace keyloft::testing {
namespace {

#ifndef _WIN32  // a held file can be replaced or removed on POSIX systems only
// A sound profile file in the usual form with the default logon and the given entries.
std::string ProfileFile(std::int32_t version, std::vector<std::u16string> entries,
                        std::u16string password = kDefaultLogonValue) {
    Profile p;
    p.logonMode = kPasswordOnly;
    p.userId = p.pin = kDefaultLogonValue;
    p.password = std::move(password);
    p.answerMode = kOneAnswer;
    p.questions = QuestionsOf({u"5|Default Question|opensesame"});
    p.entries = EntriesOf(entries);
    return JoinFileLines(EncodeProfile(p, version, u"8.27", false).lines);
}

TEST_F(StoreTest, AProfileReplacedUnderTheHoldIsAnotherUsersSaveNotOverwritten) {
    const struct {
        const char* what;
        std::u16string theirPassword;
        SaveOutcome outcome;
        std::u16string message;
    } cases[] = {
        {"same logon", kDefaultLogonValue, SaveOutcome::ConflictRefreshed,
         u"The record has been modified by another user.\nRefreshing data..."},
        {"logon changed", u"their password", SaveOutcome::ConflictLockedOut,
         u"The profile has been modified by another user.\nYou will have to login again."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string name = c.outcome == SaveOutcome::ConflictRefreshed ? u"Same" : u"Changed";
        Instance& a = createAndOpen(name);
        // A sync engine puts the other user's copy (the same version number, one entry more) in place.
        const std::string theirs =
            ProfileFile(a.store->open().profile().version, {u"4||their entry|them|pw||||"}, c.theirPassword);
        TempFolder::writeFile(database / "incoming", theirs);
        std::filesystem::rename(database / "incoming", profileFile(name));

        a.files->steps.clear();
        EXPECT_EQ(a.add(u"4||my entry|me|pw||||"), c.outcome);
        EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{c.message});
        EXPECT_EQ(a.files->steps, std::vector<std::string>{});  // nothing was written
        EXPECT_EQ(fileBytes(name), theirs);
        EXPECT_EQ(RecordsOf(a.store->open().profile().entries),
                  std::vector<std::u16string>{u"4||their entry|them|pw||||"});
        a.host.clear();
    }

    // The refreshed copy holds the new file: its next save goes through.
    Instance& a = *instances.front();
    ASSERT_TRUE(a.open(u"Same").loaded());
    EXPECT_EQ(a.add(u"4||my entry|me|pw||||"), SaveOutcome::Saved);
    EXPECT_EQ(a.store->open().profile().entries.size(), 2u);
}

TEST_F(StoreTest, AProfileRemovedUnderTheHoldIsWrittenAgain) {
    Instance& a = createAndOpen(u"Home");
    std::filesystem::remove(profileFile(u"Home"));
    EXPECT_EQ(a.add(u"4||kept|me|pw||||"), SaveOutcome::Saved);
    ASSERT_TRUE(a.open(u"Home").loaded());
    EXPECT_EQ(RecordsOf(a.store->open().profile().entries),
              std::vector<std::u16string>{u"4||kept|me|pw||||"});
}

TEST_F(StoreTest, ASaveFlushesItsFileBeforeTheRenameAndTheFolderAfterIt) {
    std::vector<std::pair<std::string, std::string>> steps;
    platform::HostFileSystemHooks hooks;
    hooks.onDurableStep = [&steps](const char* step, const std::filesystem::path& file) {
        steps.emplace_back(step, file.filename().string());
    };
    startInstance(hooks);
    Instance& a = createAndOpen(u"Home");
    steps.clear();
    ASSERT_EQ(a.add(u"4||one more|me|pw||||"), SaveOutcome::Saved);

    ASSERT_GE(steps.size(), 4u);
    const std::string temporary = steps.front().second;
    EXPECT_EQ(temporary.rfind(".Home.dat.", 0), 0u) << temporary;
    std::vector<std::pair<std::string, std::string>> expected(steps.size() - 3, {"write", temporary});
    expected.insert(expected.end(), {{"flush", temporary}, {"rename", "Home.dat"}, {"flush folder", "db"}});
    EXPECT_EQ(steps, expected);
}

// A session that lets go of the file between its steps (the tool's shell) reads it again only when
// it changed. The stamp is trusted once the file's times are a second old; a file changed just
// before its stamp is compared by content as well: a rewrite in place within one tick of the
// clock, of the same size, leaves the times as they were.
TEST_F(StoreTest, AFileLetGoIsReadAgainOnlyWhenItChanged) {
    const struct {
        const char* what;
        bool settled, rewritten, readAgain;
    } cases[] = {
        {"times a second old, nothing changed", true, false, false},
        {"times just set, the same content", false, false, false},
        {"times just set, rewritten in place", false, true, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string name = u"Home" + std::u16string(1, static_cast<char16_t>(u'0' + n++));
        TempFolder::writeFile(profileFile(name), ProfileFile(2, {u"4|Bank|mine|a|pw||||"}));
        Instance& a = startInstance();
        constexpr std::int64_t kSecond = 1'000'000'000;
        a.files->shownStamp = FileStamp{1, 2, 3, 0, 0, c.settled ? kSecond + 1 : kSecond / 2, kSecond};
        ASSERT_TRUE(a.open(name).loaded());
        ASSERT_EQ(a.store->open().logOn({u"", kDefaultLogonValue, u""}), LogonOutcome::LoggedOn);
        a.store->open().closeHeldFile();
        if (c.rewritten) {
            const std::string theirs = ProfileFile(2, {u"4|Bank|tell|a|pw||||"});
            ASSERT_EQ(theirs.size(), fileBytes(name).size());
            std::ofstream(profileFile(name), std::ios::binary | std::ios::in | std::ios::trunc) << theirs;
        }
        const std::uint64_t loadsBefore = ProcessWorkCounts().profileLoads;
        const OpenResult result = a.store->open().reloadIfChanged();
        ASSERT_TRUE(result.loaded());
        EXPECT_EQ(result.unchanged, !c.readAgain);
        EXPECT_EQ(ProcessWorkCounts().profileLoads - loadsBefore, c.readAgain ? 1u : 0u);
        EXPECT_TRUE(a.store->open().holdsFile());
        EXPECT_EQ(
            RecordsOf(a.store->open().profile().entries),
            std::vector<std::u16string>{c.rewritten ? u"4|Bank|tell|a|pw||||" : u"4|Bank|mine|a|pw||||"});
    }
}
#endif

TEST_F(StoreTest, ADeleteRacingASaveNeverRemovesTheFileTheSaverHolds) {
    Instance& saver = createAndOpen(u"Home");
    bool saved = false;
    platform::HostFileSystemHooks hooks;
    // The saver's save puts a new file in place between the deleter's open and its hold.
    hooks.betweenOpenAndHold = [&](const std::filesystem::path&) {
        if (saved) return;
        saved = true;
        EXPECT_EQ(saver.add(u"4||just saved|me|pw||||"), SaveOutcome::Saved);
    };
    Instance& deleter = startInstance(hooks);
    deleter.host.answers = {MessageAnswer::Yes};
    const DeleteResult result = deleter.remove(u"Home");
    EXPECT_EQ(result.outcome, DeleteOutcome::Failed);
    EXPECT_TRUE(result.error.inUse);
    EXPECT_TRUE(std::filesystem::exists(profileFile(u"Home")));
    // (Windows opens and holds in one step: there the delete simply finds the profile held.)
    if (saved) {
        saver.store->open().closeHeldFile();
        ASSERT_TRUE(saver.open(u"Home").loaded());
        EXPECT_EQ(RecordsOf(saver.store->open().profile().entries),
                  std::vector<std::u16string>{u"4||just saved|me|pw||||"});
    }
}

TEST_F(StoreTest, NamesOfBlanksOrTooLongForTheFolderAreRefusedBeforeAnyFileIsTouched) {
    const std::u16string tooLong = u"This profile name is too long. Please choose a shorter name!";
    const struct {
        std::u16string name;
        std::u16string problem;
    } cases[] = {
        {u" ", u"Specify a profile name!"},
        {u"    ", u"Specify a profile name!"},
        {u" Home ", u""},
        {std::u16string(200, u'a'), u""},
        {std::u16string(201, u'a'), tooLong},
        {std::u16string(100, u'\u00e9'), u""},     // two bytes each in UTF-8
        {std::u16string(67, u'\u20ac'), tooLong},  // three bytes each: 201
        {std::u16string(240, u'x'), tooLong},
    };
    Instance& a = startInstance();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.size());
        EXPECT_EQ(ProfileNameProblem(c.name), c.problem);
        if (c.problem.empty()) continue;
        a.host.clear();
        const CreateResult created = a.create(c.name);
        EXPECT_FALSE(created);
        EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{c.problem});
        EXPECT_EQ(a.open(c.name).outcome, OpenOutcome::BadName);
        EXPECT_TRUE(a.files->holdAttempts.empty());
        EXPECT_TRUE(a.files->steps.empty());
    }
}

TEST(ErrorLog, FieldsAreEscapedToOneLineAndCut) {
    LocalTime time;
    time.year = 2026, time.month = 12, time.day = 7, time.hour = 16, time.minute = 57, time.second = 18;
    EXPECT_EQ(ErrorLogLine(time, u"Recover", u"0",
                           u"a\nb\r\tc\x1b[31m\x7f\u0085 \u202e\u2028 \"quoted\" C:\\path \u00e9\U0001F600"),
              u"#2026-12-07 16:57:18#,\"Recover\",\"0\",\"a\\nb\\r\\tc\\x1b[31m\\x7f\\x85 \\u202e\\u2028 "
              u"\"quoted\" C:\\path \u00e9\U0001F600\"\r\n");
    EXPECT_EQ(EscapeLogField(std::u16string(kMaxLogFieldLength, u'x')),
              std::u16string(kMaxLogFieldLength, u'x'));
    EXPECT_EQ(EscapeLogField(std::u16string(kMaxLogFieldLength + 1, u'x')),
              std::u16string(kMaxLogFieldLength - 3, u'x') + u"...");
    // Cut at a whole escape, never inside one or inside a surrogate pair.
    const std::u16string escaped = EscapeLogField(std::u16string(995, u'x') + u"\n\n\n");
    EXPECT_EQ(escaped, std::u16string(995, u'x') + u"\\n...");
    EXPECT_EQ(EscapeLogField(std::u16string(996, u'x') + u"\U0001F600\U0001F600\U0001F600"),
              std::u16string(996, u'x') + u"...");
}

#ifndef _WIN32
TEST_F(StoreTest, TheLogIsWrittenOnlyToARegularFileOfItsOwn) {
    Instance& a = startInstance();
    const std::filesystem::path log = database / "KeyloftErrors.log";
    const std::filesystem::path victim = temp / "victim";
    const struct {
        const char* what;
        std::function<void()> plant;
    } cases[] = {
        {"a link", [&] { std::filesystem::create_symlink(victim, log); }},
        {"a second name", [&] { std::filesystem::create_hard_link(victim, log); }},
        {"a pipe someone reads", [&] { ASSERT_EQ(::mkfifo(log.c_str(), 0666), 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder::writeFile(victim, "untouched\n");
        std::filesystem::remove(log);
        c.plant();
        // A pipe with a reader: a writer that waits for none would get in.
        const int reader = std::filesystem::is_fifo(log) ? ::open(log.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        a.store->folder().logError(u"ReadFromFile", u"53", u"File not found");
        char buffer[256];
        EXPECT_LE(reader < 0 ? 0 : ::read(reader, buffer, sizeof buffer), 0);
        if (reader >= 0) ::close(reader);
        EXPECT_EQ(TempFolder::readFile(victim), "untouched\n");
    }
}
#endif

TEST(FieldLength, EveryFieldAndCategoryNameHasOneLimitThatNamesTheField) {
    const ExpiryDateReader dates(DateOrder::DayFirst);
    const std::u16string atLimit(kMaxFieldLength, u'n');
    const std::u16string past(kMaxFieldLength + 1, u'n');
    Entry typed;
    typed.userCode = u"me";
    typed.notes = atLimit;
    EXPECT_TRUE(CheckEntry(typed, u"", dates).accepted());
    const struct {
        std::u16string Entry::*field;
        std::u16string name;
    } fields[] = {{&Entry::category, u"Category"},
                  {&Entry::description, u"Description"},
                  {&Entry::userCode, u"User/Account Code"},
                  {&Entry::password, u"Password/PIN"},
                  {&Entry::notes, u"Notes"},
                  {&Entry::expiryDate, u"Expiry Date"},
                  {&Entry::webSite, u"Web Site"},
                  {&Entry::email, u"Email"}};
    for (const auto& f : fields) {
        Entry longOne;
        longOne.userCode = u"me";
        longOne.*f.field = past;
        const EntryCheck check = CheckEntry(longOne, longOne.password, dates);
        EXPECT_EQ(check.refusal, EntryCheck::Refusal::TooLong);
        EXPECT_EQ(check.message, u"The " + f.name + u" field is too long: at most 100000 characters.");
    }
    EXPECT_EQ(CheckCategoryName(CategoryList{}, past, 0),
              u"The Category field is too long: at most 100000 characters.");
    EXPECT_FALSE(CheckCategoryName(CategoryList{}, atLimit, 0));

    // The longest entry is still a line every reader takes.
    Profile p;
    p.logonMode = kPasswordOnly;
    p.entries = {Entry{atLimit, atLimit, atLimit, atLimit, atLimit, atLimit, atLimit, atLimit}};
    std::size_t longest = 0;
    for (const std::string& line : EncodeProfile(p, 1, u"8.27", false).lines) {
        longest = std::max(longest, line.size());
    }
    EXPECT_GT(longest, 8 * 4 * kMaxFieldLength);
    EXPECT_LE(longest, kMaxProfileLineLength);
}

}  // namespace
}  // namespace keyloft::testing
