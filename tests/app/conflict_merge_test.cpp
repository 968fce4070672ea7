// After logon, the window offers to merge the conflict copies a file-sync engine left.
#include <filesystem>

#include "store/profile_store.h"
#include "support/gui_window_fixture.h"

namespace keyloft::testing {
namespace {

constexpr char kCopy[] = "Team.sync-conflict-20261209-101500-ABCDEF1.dat";

class ConflictMerge : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Team"});
        // The other machine's file, kept by the engine as a copy, holds an entry this one removed.
        otherInstanceSaves(u"Team", [](Profile& p) { p.entries = {u"4||Mail|ann|pw||||", u"4||Bank|bob|theirs||||"}; });
        std::filesystem::copy_file(folder / "Team.dat", folder / kCopy);
        otherInstanceSaves(u"Team", [](Profile& p) { p.entries = {u"4||Mail|ann|pw||||", u"4||Shop|cy|mine||||"}; });
        start();
    }
};

TEST_F(ConflictMerge, AfterLogonTheCopyIsMergedOrKeptAsTheUserAnswers) {
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
            EXPECT_EQ(statusText(), QStringLiteral("Merged 1 conflict copy: added 1 entry and 0 categories."));
        }
        ASSERT_TRUE(press("Unlock"));  // the same button locks a logged-on window
    }
}

}  // namespace
}  // namespace keyloft::testing
