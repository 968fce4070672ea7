// A save that finds another file in the profile's place loads it, and asks about it as an open
// does when it is older than this user saw or no longer sealed: No locks the window, nothing is
// written over that file, and what this user saw stays as it was.
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "store/profile_history.h"
#include "store/profile_store.h"
#include "support/gui_window_fixture.h"
#include "support/record_values.h"
#include "support/temp_folder.h"

namespace keyloft::testing {
namespace {

class ReplacedFileWindow : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Shared"});
        std::filesystem::copy_file(file(), folder / "Shared.v1");  // as it was before the logons
        otherInstanceSaves(u"Shared",
                           [](Profile& p) { p.entries = EntriesOf({u"4|Bank|Current|alice|pw1||||"}); });
        assemble = true;  // with its pages: the passwords view and its editor
        start();
    }
    std::filesystem::path file() const { return folder / "Shared.dat"; }
    // A new entry typed and saved through the real actions.
    void addEntry() {
        ASSERT_TRUE(press("Passwords"));
        ASSERT_TRUE(press("Add"));
        QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("carol"));
        QTest::keyClicks(find<QLineEdit>("txtUserpass"), QStringLiteral("pw3"));
        QTest::keyClicks(find<QLineEdit>("txtuserconfirm"), QStringLiteral("pw3"));
        ASSERT_TRUE(press("Save"));
    }
};

TEST_F(ReplacedFileWindow, AFileReplacedDuringTheSessionIsAskedAboutAndNoLocks) {
    for (const bool readable : {true, false}) {
        SCOPED_TRACE(readable ? "a readable file where this user saw a sealed one" : "an older file");
        dialogs.reset();
        logOnAs({.name = u"Shared"});
        const SeenProfile before = ReadSeenProfile(*settings, file()).value_or(SeenProfile{});
        if (readable) {
            // A colleague's save in the usual form, where this user remembers a sealed file.
            otherInstanceSaves(u"Shared", [](Profile& p) { p.entries.clear(); });
            RememberSeenProfile(*settings, file(), SeenProfile{true, before.version});
        } else {
#ifdef _WIN32
            // Windows refuses to replace a file the window holds: the older copy lands while it
            // does not.
            window->store().open().closeHeldFile();
#endif
            std::filesystem::copy_file(folder / "Shared.v1", folder / "incoming");
            std::filesystem::rename(folder / "incoming", file());
        }
        const std::string replaced = TempFolder::readFile(file());
        dialogs.answerNext(MessageAnswer::No);
        addEntry();
        ASSERT_FALSE(dialogs.shown().empty());
        EXPECT_EQ(dialogs.last().question, Question::OpenReplacedProfile);
        EXPECT_NE(dialogs.last().text.find(readable ? u"is not sealed now" : u"older than version"),
                  std::u16string::npos);
        EXPECT_EQ(dialogs.last().defaultAnswer, MessageAnswer::No);
        EXPECT_FALSE(window->logonAccepted());
        EXPECT_EQ(find<QTreeView>("lstUser")->model()->rowCount(), 0);
        EXPECT_EQ(TempFolder::readFile(file()), replaced);
        const SeenProfile after = ReadSeenProfile(*settings, file()).value_or(SeenProfile{});
        EXPECT_EQ(after.sealed, readable);
        EXPECT_GE(after.version, before.version);
        if (readable) ForgetSeenProfile(*settings, file());  // the next case starts from the usual form
    }
}

}  // namespace
}  // namespace keyloft::testing
