#include <gtest/gtest.h>

#include <cstdlib>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/platform_core.h"
#include "platform/settings_file.h"
#include "support/temp_folder.h"
#include "support/unicode_samples.h"

namespace keyloft::platform {
namespace {

using keyloft::testing::TempFolder;

TEST(SettingsFile, FirstWriteCreatesFolderAndFile) {
    TempFolder temp;
    auto settings = CreateSettingsStoreIn(temp / "Corvane");
    std::u16string value = u"kept";
    EXPECT_FALSE(settings->read(u"Database", value));
    EXPECT_EQ(value, u"kept");

    ASSERT_TRUE(settings->write(u"Database", u"/srv/shared folder, keyloft=2"));
    EXPECT_EQ(TempFolder::readFile(temp / "Corvane" / "Keyloft.conf"),
              "[General]\nDatabase=/srv/shared folder, keyloft=2\n");
    ASSERT_TRUE(settings->read(u"Database", value));
    EXPECT_EQ(value, u"/srv/shared folder, keyloft=2");

    ASSERT_TRUE(settings->write(u"Timer", u"15"));
    ASSERT_TRUE(settings->write(u"Database", u"  /d\u00e9p\u00f4t  "));
    EXPECT_EQ(TempFolder::readFile(temp / "Corvane" / "Keyloft.conf"),
              "[General]\nDatabase=  /d\xc3\xa9p\xc3\xb4t  \nTimer=15\n");
    ASSERT_TRUE(settings->read(u"database", value));  // names ignore letter case, as registry keys do
    EXPECT_EQ(value, u"  /d\u00e9p\u00f4t  ");
    // Each write's temporary file is put in place: the file is all that is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp / "Corvane"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(SettingsFile, ValuesOutsideTheBasicPlaneAreStoredAsUtf8AndReadBack) {
    TempFolder temp;
    auto settings = CreateSettingsStoreIn(temp.path());
    const std::u16string folder = u"/srv/" + keyloft::testing::AllSamplesUtf16();
    ASSERT_TRUE(settings->write(u"Database", folder));
    EXPECT_EQ(TempFolder::readFile(temp / "Keyloft.conf"),
              "[General]\nDatabase=/srv/" + keyloft::testing::AllSamplesUtf8() + "\n");
    std::u16string value;
    ASSERT_TRUE(settings->read(u"Database", value));
    EXPECT_EQ(value, folder);
    // The same through a store that reads the file afresh.
    auto again = CreateSettingsStoreIn(temp.path());
    ASSERT_TRUE(again->read(u"Database", value));
    EXPECT_EQ(value, folder);
}

TEST(SettingsFile, KeepsUnknownLinesAndReadsEmptyValues) {
    TempFolder temp;
    TempFolder::writeFile(temp / "Keyloft.conf", "; a comment\n[General]\nOther=1\r\nTimer=\nWindow=3\n");
    auto settings = CreateSettingsStoreIn(temp.path());
    std::u16string value = u"x";
    ASSERT_TRUE(settings->read(u"Timer", value));
    EXPECT_EQ(value, u"");
    EXPECT_FALSE(settings->read(u"Database", value));

    ASSERT_TRUE(settings->write(u"Timer", u"abc"));
    EXPECT_EQ(TempFolder::readFile(temp / "Keyloft.conf"),
              "; a comment\n[General]\nOther=1\nTimer=abc\nWindow=3\n");
    EXPECT_FALSE(settings->write(u"Timer", u"two\nlines"));
    EXPECT_FALSE(settings->write(u"", u"1"));
    ASSERT_TRUE(settings->read(u"Timer", value));
    EXPECT_EQ(value, u"abc");
}

// Found by fuzz_settings_file: a line ending in two carriage returns lost one when another
// setting was written, so its value read differently before and after.
TEST(SettingsFile, ValueReadsTheSameAfterAnotherSettingIsWritten) {
    TempFolder temp;
    TempFolder::writeFile(temp / "Keyloft.conf", "Database=/srv/x\r\r\nOdd=a\rb\r\r\r\nTimer=5\r\n");
    auto settings = CreateSettingsStoreIn(temp.path());
    std::u16string before;
    std::u16string odd;
    ASSERT_TRUE(settings->read(u"Database", before));
    ASSERT_TRUE(settings->read(u"Odd", odd));
    EXPECT_EQ(before, u"/srv/x");
    EXPECT_EQ(odd, u"a\rb");  // a carriage return inside a value is kept

    ASSERT_TRUE(settings->write(u"Timer", u"6"));
    std::u16string after;
    ASSERT_TRUE(settings->read(u"Database", after));
    EXPECT_EQ(after, before);
    ASSERT_TRUE(settings->read(u"Odd", after));
    EXPECT_EQ(after, odd);
    EXPECT_EQ(TempFolder::readFile(temp / "Keyloft.conf"), "[General]\nDatabase=/srv/x\nOdd=a\rb\nTimer=6\n");
}

#ifndef _WIN32  // POSIX only
// Which profiles a user uses, and whether each is sealed, is that user's alone: the folder and
// every file are closed to others, an older build's open ones at the next write.
TEST(SettingsFile, TheFolderAndItsFilesAreTheUsersAlone) {
    TempFolder temp;
    const std::filesystem::path folder = temp / "config" / "Corvane";
    auto settings = WithSeenProfilesIn(CreateSettingsStoreIn(folder), folder);
    const auto mode = [](const std::filesystem::path& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_mode & 07777;
    };
    for (const bool opened : {false, true}) {
        SCOPED_TRACE(opened ? "left open by an older build" : "new");
        if (opened) {
            ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
            ASSERT_EQ(::chmod((folder / "Keyloft.conf").c_str(), 0644), 0);
            ASSERT_EQ(::chmod((folder / "Keyloft-seen.conf").c_str(), 0644), 0);
        }
        ASSERT_TRUE(settings->write(u"Timer", u"5"));
        ASSERT_TRUE(settings->write(u"Seen0123", u"sealed 7"));
        EXPECT_EQ(mode(folder), 0700u);
        EXPECT_EQ(mode(folder / "Keyloft.conf"), 0600u);
        EXPECT_EQ(mode(folder / "Keyloft-seen.conf"), 0600u);
    }
    EXPECT_EQ(mode(temp / "config"), 0700u);  // made for the settings: the user's alone too
}

TEST(SettingsFile, UserStoreFollowsXdgConfigHome) {
    TempFolder temp;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_CONFIG_HOME", temp.path().c_str(), 1);
    auto settings = CreateUserSettingsStore();
    const bool written = settings->write(u"Timer", u"5") && settings->write(u"Seen0123", u"sealed 7");
    if (old != nullptr) {
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ASSERT_TRUE(written);
    // What is remembered of each profile file is written at every save: a file of its own.
    EXPECT_EQ(TempFolder::readFile(temp / "Corvane" / "Keyloft.conf"), "[General]\nTimer=5\n");
    EXPECT_EQ(TempFolder::readFile(temp / "Corvane" / "Keyloft-seen.conf"), "[General]\nSeen0123=sealed 7\n");
    std::u16string value;
    EXPECT_TRUE(settings->read(u"Seen0123", value));
    EXPECT_EQ(value, u"sealed 7");
}
#endif

}  // namespace
}  // namespace keyloft::platform
