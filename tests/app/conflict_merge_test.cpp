// After logon, the window offers to merge the conflict copies a file-sync engine left.
#include <filesystem>

#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/profile_store.h"
#include "support/gui_window_fixture.h"
#include "support/record_values.h"

namespace keyloft::testing {
namespace {

constexpr char kCopy[] = "Team.sync-conflict-20261209-101500-ABCDEF1.dat";

class ConflictMergeWindow : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Team"});
        // The other machine's file, kept by the engine as a copy, holds an entry this one removed.
        otherInstanceSaves(u"Team", [](Profile& p) {
            p.entries = EntriesOf({u"4||Mail|ann|pw||||", u"4||Bank|bob|theirs||||"});
        });
        std::filesystem::copy_file(folder / "Team.dat", folder / kCopy);
        otherInstanceSaves(u"Team", [](Profile& p) {
            p.entries = EntriesOf({u"4||Mail|ann|pw||||", u"4||Shop|cy|mine||||"});
        });
        start();
    }
};

TEST_F(ConflictMergeWindow, AfterLogonTheCopyIsMergedOrKeptAsTheUserAnswers) {
    const QString question = QStringLiteral(
        "A file-sync engine left 1 conflict copy of this profile. It holds 1 entry and 0 categories that the "
        "profile does not.\n\nMerge them into the profile now? (No keeps the copies for later.)");
    for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        SCOPED_TRACE(answer == MessageAnswer::Yes ? "Yes" : "No");
        dialogs.reset();
        dialogs.expect(question, answer);
        logOnAs({.name = u"Team"});
        EXPECT_EQ(dialogs.pending(), 0u);
        ASSERT_FALSE(dialogs.shown().empty());
        EXPECT_EQ(dialogs.last().defaultAnswer, MessageAnswer::Yes);
        const bool merged = answer == MessageAnswer::Yes;
        EXPECT_EQ(std::filesystem::exists(folder / kCopy), !merged);
        EXPECT_EQ(profileOnDisk(u"Team").entries.size(), merged ? 3u : 2u);
        if (merged) {
            EXPECT_EQ(statusText(),
                      QStringLiteral("Merged 1 conflict copy: added 1 entry and 0 categories."));
        }
        ASSERT_TRUE(press("Unlock"));  // the same button locks a logged-on window
    }
}

// Two copies that hold the same entry: the question counts it once, as the merge adds it once.
TEST_F(ConflictMergeWindow, AnEntryTwoCopiesHoldIsCountedAndAddedOnce) {
    std::filesystem::copy_file(folder / kCopy, folder / "Team (conflicted copy 2026-12-09).dat");
    dialogs.expect(
        QStringLiteral("A file-sync engine left 2 conflict copies of this profile. They hold 1 entry and 0 "
                       "categories that the profile does not.\n\nMerge them into the profile now? (No "
                       "keeps the copies for later.)"),
        MessageAnswer::Yes);
    logOnAs({.name = u"Team"});
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(statusText(), QStringLiteral("Merged 2 conflict copies: added 1 entry and 0 categories."));
    EXPECT_EQ(profileOnDisk(u"Team").entries.size(), 3u);
}

// The engine kept the other machine's older file and left this one's newer file as a copy: the
// window says so and offers to open the profile and merge (Yes by default), the merge follows the
// logon, and the merged file is written after both.
TEST_F(ConflictMergeWindow, AnOlderFileBesideTheNewerOnesCopyIsOpenedAndMerged) {
    // This user saw the newer file last (Mail and Shop); the engine put the older one in its place.
    const std::int32_t newer = profileOnDisk(u"Team").version;
    std::filesystem::rename(folder / "Team.dat", folder / "newer");
    std::filesystem::rename(folder / kCopy, folder / "Team.dat");
    std::filesystem::rename(folder / "newer", folder / kCopy);
    RememberSeenProfile(*settings, folder / "Team.dat", SeenProfile{false, newer});
    dialogs.answerNext(MessageAnswer::Yes);
    dialogs.expect(
        QStringLiteral("A file-sync engine left 1 conflict copy of this profile. It holds 1 entry and 0 "
                       "categories that the profile does not.\n\nMerge them into the profile now? (No "
                       "keeps the copies for later.)"),
        MessageAnswer::Yes);
    logOnAs({.name = u"Team"});
    ASSERT_EQ(dialogs.shown().size(), 2u);
    const MessageRequest& asked = dialogs.shown().front();
    EXPECT_EQ(asked.question, Question::OpenRolledBackProfile);
    EXPECT_EQ(asked.defaultAnswer, MessageAnswer::Yes);
    const std::u16string older = Int32Text(newer - 1), seen = Int32Text(newer);
    EXPECT_NE(asked.text.find(u"holds version " + older + u", older than version " + seen +
                              u" that you last used, and a conflict copy beside it holds version " + seen),
              std::u16string::npos);
    EXPECT_NE(asked.text.find(u"Open the profile and merge the copy?"), std::u16string::npos);
    const Profile merged = profileOnDisk(u"Team");
    EXPECT_EQ(RecordsOf(merged.entries),
              (std::vector<std::u16string>{u"4||Mail|ann|pw||||", u"4||Bank|bob|theirs||||",
                                           u"4||Shop|cy|mine||||"}));
    EXPECT_EQ(merged.version, newer + 1);
    EXPECT_FALSE(std::filesystem::exists(folder / kCopy));
}

}  // namespace
}  // namespace keyloft::testing
