// Sealed profile files: what opens them, what they show before logon, what damage does, and that
// saving, conflicts and the version check work as for the usual form.
#include "store/sealed_profile.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <memory>
#include <string>
#include <vector>

#include "sealed_store_fixture.h"
#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/profile_verifier.h"
#include "store/sealed_unlock.h"
#include "store/sealing_rule.h"
#include "store/text_convert.h"
#include "store_fixture.h"
#include "support/record_values.h"
#include "support/sealed_lines.h"
#include "support/temp_folder.h"

using keyloft::testing::EntriesOf;
using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;
using keyloft::testing::QuestionsOf;

namespace keyloft::testing {
namespace {

void ExpectSameContent(const Profile& a, const Profile& b) {
    EXPECT_EQ(a.logonMode, b.logonMode);
    EXPECT_EQ(a.userId, b.userId);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.pin, b.pin);
    EXPECT_EQ(a.answerMode, b.answerMode);
    EXPECT_EQ(a.questions, b.questions);
    EXPECT_EQ(a.entries, b.entries);
    EXPECT_EQ(a.categories.items(), b.categories.items());
}

std::string Rejoin(const std::vector<std::string>& lines) { return JoinFileLines(lines); }

TEST_F(SealedStoreTest, RoundTripShowsOnlyTheHeaderBeforeLogonAndEverythingAfter) {
    Instance& a = sealedProfile(u"Home");
    const Profile original = a.store->open().profile();
    const std::string bytes = releasedFileBytes(u"Home");
    a.store->open().closeHeldFile();
    ASSERT_EQ(Lines(bytes).front(), "KEYLOFT SEALED 1");
    for (const std::string secret : {"Main account", "opensesame", "line one", "Z\xc3\xbcrich"}) {
        EXPECT_EQ(bytes.find(secret), std::string::npos) << secret;
    }
    EXPECT_EQ(bytes.find("First pet"), std::string::npos);  // question texts are Base64, not plain

    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    const Profile& before = b.store->open().profile();
    EXPECT_TRUE(b.store->open().sealed());
    EXPECT_EQ(before.logonMode, kUserIdPasswordAndPin);
    EXPECT_EQ(before.answerMode, kTwoAnswers);
    EXPECT_EQ(before.questions, QuestionsOf({u"5|First pet?|", u"5|\u6bcd\u306e\u65e7\u59d3?|", u"5|Town|"}));
    EXPECT_TRUE(before.userId.empty() && before.password.empty() && before.pin.empty());
    EXPECT_TRUE(before.entries.empty() && before.categories.empty());

    EXPECT_EQ(b.store->open().logOn({u"J\u00f6rg", u"p\u00e4ss \U0001F511 w\u00f6rd", u"4712"}),
              LogonOutcome::Incorrect);
    EXPECT_EQ(b.store->open().logOn({u"", u"", u""}), LogonOutcome::Incorrect);
    EXPECT_TRUE(b.store->open().profile().entries.empty());
    ASSERT_EQ(b.store->open().logOn(rightLogon()), LogonOutcome::LoggedOn);
    ExpectSameContent(b.store->open().profile(), original);
    EXPECT_EQ(b.store->open().profile().version, original.version);
    EXPECT_TRUE(b.host.messages.empty());
}

TEST_F(SealedStoreTest, SealThenUnsealGivesAUsualFileWithTheSameContent) {
    Instance& a = createWith(u"Home", FillEverything);
    ASSERT_EQ(a.store->open().logOn(rightLogon()), LogonOutcome::LoggedOn);
    ASSERT_EQ(a.save(), SaveOutcome::Saved);
    const Profile original = a.store->open().profile();
    EXPECT_FALSE(a.store->open().sealed());

    a.store->edits().setSealed(true);
    ASSERT_EQ(a.save(), SaveOutcome::Saved);
    a.store->open().closeHeldFile();
    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.store->open().logOn(rightLogon()), LogonOutcome::LoggedOn);
    b.store->edits().setSealed(false);
    ASSERT_EQ(b.save(), SaveOutcome::Saved);
    b.store->open().closeHeldFile();

    const std::string bytes = fileBytes(u"Home");
    const DecodedFile decoded = DecodeFileForTest(bytes);  // the usual form: hexadecimal lines
    ASSERT_GT(decoded.lines.size(), 5u);
    EXPECT_EQ(decoded.lines.front().find_first_not_of("0123456789ABCDEF"), std::string::npos);
    Instance& c = startInstance();
    ASSERT_TRUE(c.open(u"Home").loaded());
    EXPECT_FALSE(c.store->open().sealed());
    ASSERT_EQ(c.store->open().logOn(rightLogon()), LogonOutcome::LoggedOn);
    ExpectSameContent(c.store->open().profile(), original);
    EXPECT_EQ(c.store->open().profile().version, original.version + 2);
}

TEST_F(SealedStoreTest, AFlippedBitAnywhereIsDamageAndNothingIsShown) {
    sealedProfile(u"Home");
    const std::string good = releasedFileBytes(u"Home");
    const std::vector<std::string> lines = Lines(good);
    struct Spot {
        const char* where;
        std::size_t offset;
    };
    const auto offsetOf = [&](std::size_t line, std::size_t column) {
        std::size_t offset = 0;
        for (std::size_t i = 0; i < line; ++i) offset += lines[i].size() + 2;
        return offset + column;
    };
    const std::size_t slot = LineStarting(lines, "slot=answers");
    const std::size_t body = LineStarting(lines, "body=") + 1;
    const Spot spots[] = {
        {"first line", offsetOf(0, 3)},
        {"end of first line", offsetOf(0, lines[0].size())},
        {"version", offsetOf(LineStarting(lines, "version="), 8)},
        {"logon mode", offsetOf(LineStarting(lines, "logon="), 6)},
        {"question", offsetOf(LineStarting(lines, "question="), 12)},
        {"slot salt", offsetOf(slot, lines[slot].size() - 120)},
        {"slot key", offsetOf(slot, lines[slot].size() - 3)},
        {"body", offsetOf(body, 40)},
        {"last body line", offsetOf(lines.size() - 2, 1)},
        {"check line", offsetOf(lines.size() - 1, 10)},
    };
    for (const Spot& spot : spots) {
        for (const unsigned char bit : {0x01, 0x20}) {
            SCOPED_TRACE(std::string(spot.where) + " bit " + std::to_string(bit));
            std::string bad = good;
            bad[spot.offset] = static_cast<char>(bad[spot.offset] ^ bit);
            writeFile(u"Home", bad);
            Instance& other = startInstance();
            const OpenResult opened = other.open(u"Home");
            EXPECT_EQ(opened.outcome, OpenOutcome::Damaged);
            EXPECT_EQ(other.host.texts(), std::vector<std::u16string>{u"The profile file is damaged."});
            const Profile& p = other.store->open().profile();
            EXPECT_TRUE(p.questions.empty() && p.entries.empty() && p.password.empty());
            EXPECT_EQ(p.logonMode, 0);
            EXPECT_FALSE(other.store->open().holdsFile());
            EXPECT_EQ(other.store->open().logOn(rightLogon()), LogonOutcome::Incorrect);
        }
    }
}

TEST_F(SealedStoreTest, AChangeMadeOnPurposeFailsAtLogonAndNothingIsKept) {
    sealedProfile(u"Home");
    const std::vector<std::string> lines = Lines(releasedFileBytes(u"Home"));
    // Each change keeps the file well-formed and its check line right: only the keys find it.
    const auto bodyChanged = [](std::vector<std::string> l) {
        std::string& line = l[LineStarting(l, "body=") + 1];
        line[5] = line[5] == 'A' ? 'B' : 'A';
        return l;
    };
    const auto questionChanged = [](std::vector<std::string> l) {
        l[LineStarting(l, "question=")] = "question=QQBCAEMA";  // "ABC"
        return l;
    };
    const auto versionChanged = [](std::vector<std::string> l) {
        l[LineStarting(l, "version=")] = "version=999";
        return l;
    };
    int round = 0;
    for (const auto& change : {+bodyChanged, +questionChanged, +versionChanged}) {
        SCOPED_TRACE(++round);
        writeFile(u"Home", Rejoin(WithCheckLineRemade(change(lines))));
        Instance& other = startInstance();
        ASSERT_TRUE(other.open(u"Home").loaded());
        EXPECT_EQ(other.store->open().logOn(rightLogon()), LogonOutcome::Damaged);
        const Profile& p = other.store->open().profile();
        EXPECT_TRUE(p.questions.empty() && p.entries.empty() && p.password.empty() && p.userId.empty());
        EXPECT_FALSE(other.store->open().holdsFile());
        EXPECT_FALSE(other.store->open().loaded());
    }
}

TEST_F(SealedStoreTest, VersionCheckAndConflictMessagesBetweenTwoInstances) {
    struct OtherSave {
        const char* what;
        EditResult (*change)(ProfileStore&);
        SaveOutcome expected;
    };
    const OtherSave cases[] = {
        {"an entry", [](ProfileStore& s) { return AddEntryRecord(s, u"4|Bank|B's|b|||||"); },
         SaveOutcome::ConflictRefreshed},
        {"an answer",
         [](ProfileStore& s) {
             return ChangeSecurity(s, [](Profile& p) { p.questions[0] = QuestionOf(u"5|First pet?|Bello"); });
         },
         SaveOutcome::ConflictRefreshed},
        {"the password",
         [](ProfileStore& s) {
             return ChangeSecurity(s, [](Profile& p) { p.password = u"crimson walrus ledger 47"; });
         },
         SaveOutcome::ConflictLockedOut},
    };
    int round = 0;
    for (const OtherSave& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string name = u"P" + Int32Text(++round);
        instances.clear();
        Instance& a = sealedProfile(name);
        a.store->open().closeHeldFile();
        Instance& b = startInstance();
        ASSERT_TRUE(b.open(name).loaded());
        ASSERT_EQ(b.store->open().logOn(rightLogon()), LogonOutcome::LoggedOn);
        ASSERT_EQ(b.carryOut(c.change(*b.store)), SaveOutcome::Saved);
        const Profile afterB = b.store->open().profile();
        b.store->open().closeHeldFile();
        const std::string bytesAfterB = fileBytes(name);

        a.host.clear();
        EXPECT_EQ(a.add(u"4|x|A's|a|||||"), c.expected);
        EXPECT_EQ(releasedFileBytes(name), bytesAfterB);
        if (c.expected == SaveOutcome::ConflictLockedOut) {
            EXPECT_EQ(a.host.locks, 1);
            EXPECT_EQ(a.host.texts(),
                      std::vector<std::u16string>{
                          u"The profile has been modified by another user.\nYou will have to login again."});
            EXPECT_TRUE(a.store->open().profile().entries.empty());
        } else {
            EXPECT_EQ(a.host.locks, 0);
            EXPECT_EQ(a.host.texts(),
                      std::vector<std::u16string>{
                          u"The record has been modified by another user.\nRefreshing data..."});
            ExpectSameContent(a.store->open().profile(), afterB);
            // A goes on from B's version, still sealed.
            EXPECT_EQ(a.add(u"4|x|A's again|a|||||"), SaveOutcome::Saved);
            EXPECT_EQ(Lines(releasedFileBytes(name)).front(), "KEYLOFT SEALED 1");
        }
        a.store->open().closeHeldFile();
    }
}

TEST_F(SealedStoreTest, AFileMadeWithTheDefaultLimitsOpensWithThem) {
    startInstance({}, sealed::DefaultLimits());
    Instance& a = createAndOpen(u"Home");
    ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
    a.store->edits().setSealed(true);
    ASSERT_EQ(a.add(u"4||kept|u|||||"), SaveOutcome::Saved);
    a.store->open().closeHeldFile();
    const std::vector<std::string> lines = Lines(fileBytes(u"Home"));
    const std::string slot = lines[LineStarting(lines, "slot=logon")];
    EXPECT_EQ(slot.rfind("slot=logon " + std::to_string(crypto_pwhash_OPSLIMIT_MODERATE) + " " +
                             std::to_string(crypto_pwhash_MEMLIMIT_MODERATE) + " ",
                         0),
              0u)
        << slot;

    Instance& b = startInstance();  // made with other limits: the file has its own
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
    EXPECT_EQ(RecordsOf(b.store->open().profile().entries), std::vector<std::u16string>{u"4||kept|u|||||"});
}

TEST(LogonStep, AnInvalidLogonModeOrAnswerModeNeverLogsOnWithNothing) {
    TempFolder temp;
    RecordingHost host;
    std::unique_ptr<FileSystem> files = platform::CreateHostFileSystem();
    std::unique_ptr<SettingsStore> settings = platform::CreateSettingsStoreIn(temp.path() / "settings");
    FakeClock clock;
    ProfileStore store(host, *files, *settings, clock, temp.path());
    store.folder().setDatabaseFolder(temp.path());
    ASSERT_TRUE(store.open().createProfile(u"P"));
    ASSERT_TRUE(store.open().openProfile(u"P").loaded());
    Profile p = store.open().profile();
    p.logonMode = 0;
    p.password = u"velvet otter harbour 93";
    p.answerMode = 0;
    p.questions = QuestionsOf({u"5|Q|A"});
    store.open().closeHeldFile();
    WriteProfileFile(temp.path() / "P.dat", p);
    ASSERT_TRUE(store.open().openProfile(u"P").loaded());
    EXPECT_EQ(store.open().logOn({u"", u"velvet otter harbour 93", u""}), LogonOutcome::Incorrect);
    EXPECT_EQ(store.open().logOnWithAnswers({u"", u"", u""}), LogonOutcome::Incorrect);
    EXPECT_EQ(store.open().logOnWithAnswers({u" A ", u"", u""}), LogonOutcome::LoggedOn);

    // Sealed, such a profile could never be opened again: the save fails and the file stays.
    store.open().closeHeldFile();
    const std::string before = TempFolder::readFile(temp.path() / "P.dat");
    store.edits().setSealed(true);  // three answers of one question: no answer slot either
    const EditResult sealedSave = ChangeSecurity(store, [](Profile& changed) {
        changed.answerMode = kAllAnswers;
        changed.password = u"velvet otter harbour 94";  // a password the readable file never held
    });
    ASSERT_TRUE(sealedSave.applied());
    EXPECT_EQ(sealedSave.save->outcome, SaveOutcome::Failed);
    store.open().closeHeldFile();
    EXPECT_EQ(TempFolder::readFile(temp.path() / "P.dat"), before);
}

// A file written by the previous release, whose body holds an entry record shorter than the nine
// fields this release writes (as a profile first read from the usual form may): it opens, and the
// missing fields are empty.
TEST_F(SealedStoreTest, AnEntryRecordWithFewerFieldsOpensWithTheRestEmpty) {
    const std::vector<std::string> file = {
        "KEYLOFT SEALED 1",
        "format=1",
        "version=7",
        "logon=3",
        "answers=1",
        "question=RgBpAHIAcwB0ACAAcABlAHQAPwA=",
        "question=VABvAHcAbgA/AA==",
        "slot=logon 2 67108864 YzWwHh2mlsLZY06/hL8eKw== mom4InQ23zAV0yzlR+/HnqKpuG5ur+X7 "
        "TzeIxKbI4TpsfXk1WoohBIYDC8l+Gc/pzIwrAFZar2lXKEqfk84WJhxKvk5wdgSw",
        "slot=answers:1 2 67108864 Z0B91mZqu78f6cDKRQyhIQ== JpMV7QMFNCCI0OOzFTx3Vf+c21xE7Ls4 "
        "1hd/yHBgX5jUSMQ3Z1E6v+hDUMNZoy+pqXckreLi0nzNOKwlTg63IARB+7I7R+rL",
        "slot=answers:2 2 67108864 3Y0b4nVYIQ5cq6nNWwp4Sg== 8yA6E9pjc+gQBTfdJWpz2YwEfUvGZ1hT "
        "p5jQnIyyvEyvMmgWuPh1Nrv341QwWvu/N5Po0+jZf6JsOeChz02Jvj6k5eMlyCR9",
        "nonce=/T1E38BSpzT/K94Pf0cCCP0XlWz5llTx",
        "body=4",
        "gv6OA6NuQxBIoTJiJ5PkQOtkmTxD5Ont7BHDY9mForaZmevGU/JN1735JtFjhsjMOU3nmqGW7mRt",
        "XMM9IXTrXLChKtGMEWJ1lsCCBMuo/KD7VcIRlL/kzogGCaTq5Oz1kNeh2bjwKNE10ijEsv1/y/zT",
        "n46bYWxCjW1QFsW/MKEnodE2BF1Bz7w00xbiT0hCah4agb0CNBso9CDGyOOa5Nj6UFqGcFhYF9TO",
        "55dwSkPiWZtq",
        "check=A1hSqoHLKlk7FAe0KUwmXCg3yMZKkK75GcB3x4q6vqM=",
    };
    writeFile(u"Home", Rejoin(file));
    Instance& a = startInstance();
    ASSERT_EQ(a.open(u"Home").outcome, OpenOutcome::Loaded);
    ASSERT_EQ(a.store->open().logOn({u"ann", u"Tr0ub4dor&3xyzzy", u"4711"}), LogonOutcome::LoggedOn);
    ASSERT_EQ(a.store->open().profile().entries.size(), 1u);
    EXPECT_EQ(a.store->open().profile().entries[0], EntryOf(u"4||kept||||||"));
}

// The limits a slot may ask for: from libsodium's INTERACTIVE limits (or the smaller ones a store
// was set up to make) up to 10 passes and 1 GiB. Beyond those the file is damaged for the loader
// and for verify, never tried.
TEST_F(SealedStoreTest, SlotLimitsOutsideTheBoundsMakeTheFileDamaged) {
    sealedProfile(u"Home").store->open().closeHeldFile();
    const std::vector<std::string> lines = Lines(releasedFileBytes(u"Home"));
    // Every slot line with the limits of a case: "slot=<label> <ops> <mem> <salt> <nonce> <key>".
    const auto withLimits = [&lines](unsigned long long ops, unsigned long long mem) {
        std::vector<std::string> changed = lines;
        for (std::string& line : changed) {
            if (line.rfind("slot=", 0) != 0) continue;
            const std::size_t opsAt = line.find(' ') + 1;
            const std::size_t restAt = line.find(' ', line.find(' ', opsAt) + 1);
            line =
                line.substr(0, opsAt) + std::to_string(ops) + " " + std::to_string(mem) + line.substr(restAt);
        }
        return WithCheckLineRemade(changed);
    };
    struct Case {
        unsigned long long ops;
        unsigned long long mem;
        bool parses;       // with the default floor, libsodium's INTERACTIVE limits (2 passes, 64 MiB)
        bool parsesQuick;  // with the floor of a store that makes the quickest slots
    };
    constexpr unsigned long long kMiB = 1ull << 20;
    const Case cases[] = {
        {2, 64 * kMiB, true, true},
        {10, 1024 * kMiB, true, true},
        {1, 64 * kMiB, false, true},
        {2, 64 * kMiB - 1024, false, true},
        {1, 8192, false, true},
        {11, 64 * kMiB, false, false},
        {2, 1024 * kMiB + 1024, false, false},
        {64, 8192, false, false},
        {1, 4096 * kMiB, false, false},
        {0, 8192, false, false},
        {1, 1024, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ops) + " " + std::to_string(c.mem));
        const std::vector<std::string> changed = withLimits(c.ops, c.mem);
        EXPECT_EQ(sealed::ParseSealedLines(changed, sealed::LoadingFloor(kQuickSealing)).has_value(),
                  c.parsesQuick);
        EXPECT_EQ(sealed::ParseSealedLines(changed).has_value(), c.parses);
        EXPECT_EQ(VerifyProfileBytes(JoinFileLines(changed)).ok, c.parses);
    }
}

// A file that this user last saw sealed and is not now, or whose version went back, opens only
// when the user says so (the question's default is No); a backup in the usual form or an older one
// never replaces a sealed profile; a colleague's newer save is no change worth a question.
TEST_F(SealedStoreTest, AReplacedFileIsAskedAboutAndABackupNeverUndoesSealing) {
    Instance& a = sealedProfile(u"Home");
    const std::string older = releasedFileBytes(u"Home");
    ASSERT_EQ(a.add(u"4||newer|u|||||"), SaveOutcome::Saved);
    const std::string sealedNow = releasedFileBytes(u"Home");
    a.store->edits().setSealed(false);
    ASSERT_EQ(a.add(u"4||readable|u|||||"), SaveOutcome::Saved);
    const std::string readable = releasedFileBytes(u"Home");
    a.store->edits().setSealed(true);
    ASSERT_EQ(a.add(u"4||sealed again|u|||||"), SaveOutcome::Saved);  // seen: sealed, the newest version
    const std::string newest = releasedFileBytes(u"Home");
    instances.clear();
    Profile planted;
    planted.password = u"opensesame";
    planted.questions = QuestionsOf({u"5|Q|A"});
    planted.version = 1000;

    struct Case {
        const char* name;
        std::string profile;
        std::optional<std::string> backup;
        const char16_t* asked;  // a part of the question; null: none
        std::string kept;       // the profile file afterwards
    };
    const Case cases[] = {
        {"a readable copy in its place", readable, std::nullopt, u"is not sealed now", readable},
        {"an older sealed copy", older, std::nullopt, u"older than version", older},
        {"a readable backup with a higher version", newest, ProfileFileBytes(planted), nullptr, newest},
        {"an older sealed backup beside a damaged file", newest.substr(0, newest.size() / 2), sealedNow,
         nullptr, newest.substr(0, newest.size() / 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder::writeFile(profileFile(u"Home"), c.profile);
        std::filesystem::remove(database / "Home.dat.bak");
        if (c.backup) TempFolder::writeFile(database / "Home.dat.bak", *c.backup);
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
            Instance& b = startInstance();
            b.host.answers = {answer};
            const OpenResult opened = b.open(u"Home");
            const bool asked =
                !b.host.messages.empty() && b.host.messages.front().question == Question::OpenReplacedProfile;
            EXPECT_EQ(asked, c.asked != nullptr);
            if (asked) {
                EXPECT_NE(b.host.messages.front().text.find(c.asked), std::u16string::npos);
                EXPECT_EQ(b.host.messages.front().defaultAnswer, MessageAnswer::No);
                EXPECT_EQ(opened.loaded(), answer == MessageAnswer::Yes);
                EXPECT_EQ(opened.outcome == OpenOutcome::Replaced, answer == MessageAnswer::No);
            }
            EXPECT_EQ(releasedFileBytes(u"Home"), c.kept);
            instances.clear();
        }
    }

    // A colleague's save: newer, still sealed; no question.
    TempFolder::writeFile(profileFile(u"Home"), newest);
    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.store->open().logOn(rightLogon()), LogonOutcome::LoggedOn);
    ASSERT_EQ(b.add(u"4||from a colleague|u|||||"), SaveOutcome::Saved);
    instances.clear();
    Instance& c = startInstance();
    EXPECT_TRUE(c.open(u"Home").loaded());
    EXPECT_TRUE(c.host.messages.empty());
}

// What this user remembers of a profile file (its form and version, and a choice to keep it
// readable) goes when the profile is deleted: a new profile of that name starts afresh.
TEST_F(SealedStoreTest, WhatIsRememberedOfAFileGoesWithTheProfile) {
    Instance& a = createAndOpen(u"Home");
    ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
    a.store->edits().setKeptReadable(true);
    EXPECT_TRUE(a.store->edits().keptReadable());
    ASSERT_TRUE(ReadSeenProfile(*a.settings, profileFile(u"Home")).has_value());
    a.store->open().forget();
    a.host.answers = {MessageAnswer::Yes};
    ASSERT_EQ(a.remove(u"Home").outcome, DeleteOutcome::Deleted);
    EXPECT_FALSE(ReadSeenProfile(*a.settings, profileFile(u"Home")).has_value());
    EXPECT_FALSE(ReadKeptReadable(*a.settings, profileFile(u"Home")));
}

// The logon lets go of the file while its key is made: a colleague opens and saves meanwhile, and
// what they saved is what opens afterwards, with the key while the logon slot stayed and on the
// typed details when they changed it (the old key is never tried on new slots).
TEST_F(SealedStoreTest, ALogonLetsGoWhileTheKeyIsMadeAndOpensWhatAColleagueSavedMeanwhile) {
    struct Case {
        const char* what;
        EditResult (*change)(ProfileStore&);
        LogonOutcome expected;
    };
    const Case cases[] = {
        {"an entry", [](ProfileStore& s) { return AddEntryRecord(s, u"4|Bank|B's|b|||||"); },
         LogonOutcome::LoggedOn},
        {"the password",
         [](ProfileStore& s) {
             return ChangeSecurity(s, [](Profile& p) { p.password = u"crimson walrus ledger 47"; });
         },
         LogonOutcome::Incorrect},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string name = u"U" + Int32Text(++round);
        instances.clear();
        sealedProfile(name).store->open().closeHeldFile();
        Instance& a = startInstance();
        ASSERT_TRUE(a.open(name).loaded());
        const std::unique_ptr<SealedUnlock> unlock = SealedUnlock::prepare(a.store->open(), rightLogon());
        ASSERT_NE(unlock, nullptr);
        unlock->derive();
        ASSERT_FALSE(unlock->refused());
        Instance& b = startInstance();
        ASSERT_TRUE(b.open(name).loaded()) << "not held while the key is made";
        ASSERT_EQ(b.store->open().logOn(rightLogon()), LogonOutcome::LoggedOn);
        ASSERT_EQ(b.carryOut(c.change(*b.store)), SaveOutcome::Saved);
        const Profile saved = b.store->open().profile();
        b.store->open().closeHeldFile();
        ASSERT_TRUE(a.open(name).loaded());
        EXPECT_EQ(unlock->finish(a.store->open()), c.expected);
        if (c.expected == LogonOutcome::LoggedOn) ExpectSameContent(a.store->open().profile(), saved);
    }
}

}  // namespace
}  // namespace keyloft::testing
