// What this user remembers of a profile file: versions go round from 2147483639 to 1, and what was
// seen only moves forward.
#include <gtest/gtest.h>
#include <sodium.h>

#include "platform/platform_core.h"
#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "support/temp_folder.h"

namespace keyloft::testing {
namespace {

TEST(RememberedState, VersionsGoRoundAndWhatWasSeenOnlyMovesForward) {
    const struct {
        std::int32_t a, b;
        bool newer;
    } versions[] = {
        {2, 1, true},           {1, 2, false},
        {5, 5, false},          {1, 2147483639, true},  // the save after 2147483639
        {3, 2147483638, true},                          // a few saves past the wrap
        {2147483638, 3, false},                         // went back across it
        {1, 0, true},           {-4, -5, true},         // versions of files no writer of this program made
    };
    for (const auto& v : versions) EXPECT_EQ(VersionIsNewer(v.a, v.b), v.newer) << v.a << " after " << v.b;

    TempFolder temp;
    const std::unique_ptr<SettingsStore> settings = platform::CreateSettingsStoreIn(temp.path());
    const std::filesystem::path file = temp.path() / "Home.dat";
    const struct {
        const char* what;
        SeenProfile now;
        bool usualAccepted;
        SeenProfile remembered;
        bool asked;  // what was remembered before asks about `now`
    } steps[] = {
        {"a sealed file near the wrap", {true, 2147483638}, false, {true, 2147483638}, false},
        {"past the wrap, in the usual form", {false, 3}, false, {true, 3}, true},
        {"an older one", {true, 2147483630}, false, {true, 3}, true},
        {"the usual form, as the user chose", {false, 4}, true, {false, 4}, true},
        {"a file gone back", {false, 2}, true, {false, 4}, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        if (const std::optional<SeenProfile> before = ReadSeenProfile(*settings, file)) {
            EXPECT_EQ(!ReplacedFileMessage(u"Home", *before, s.now).empty(), s.asked);
        }
        RememberSeenProfile(*settings, file, s.now, s.usualAccepted);
        const std::optional<SeenProfile> seen = ReadSeenProfile(*settings, file);
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->sealed, s.remembered.sealed);
        EXPECT_EQ(seen->version, s.remembered.version);
    }
}

#ifndef _WIN32  // the C++ library resolves no links on Windows
// The setting name that versions before the canonical name used: "Seen" and 32 hexadecimal digits
// of the BLAKE2b-128 hash of the path as given, made absolute and tidied without the disk.
std::u16string EarlierSettingName(const std::filesystem::path& file) {
    const std::u8string text = std::filesystem::absolute(file).lexically_normal().generic_u8string();
    unsigned char hash[16];
    EXPECT_EQ(sodium_init() < 0, false);
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                       nullptr, 0);
    std::u16string name = u"Seen";
    for (const unsigned char byte : hash) {
        name += u"0123456789abcdef"[byte >> 4];
        name += u"0123456789abcdef"[byte & 15];
    }
    return name;
}

// One file, one memory: the folder reached through a link to it or through "..", and a file whose
// name is a link to another profile's file, are the same file; an entry an earlier version wrote
// under the path as given still counts, and moves to the file's one name at the next write.
TEST(RememberedState, IsKeptUnderTheFilesOneName) {
    TempFolder temp;
    const std::filesystem::path real = temp.path() / "team" / "db";
    std::filesystem::create_directories(real);
    TempFolder::writeFile(real / "Home.dat", "x");
    std::error_code error;
    std::filesystem::create_directory_symlink(real, temp.path() / "link", error);
    std::filesystem::create_symlink("Home.dat", real / "Alias.dat", error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    const std::filesystem::path linked = temp.path() / "link" / "Home.dat";
    const struct {
        const char* what;
        std::filesystem::path written, read;
        bool earlierVersion;  // written under the earlier name, as an earlier version did
        bool found;
    } cases[] = {
        {"the folder through a link", real / "Home.dat", linked, false, true},
        {"back through the link", linked, real / "Home.dat", false, true},
        {"a/../a", real / "Home.dat", real / ".." / "db" / "Home.dat", false, true},
        // "link/.." is the folder above the one the link leads to, not the one holding the link.
        {"a link and ..", real / "Home.dat", temp.path() / "link" / ".." / "db" / "Home.dat", false, true},
        {"the same file by two names", real / "Home.dat", real / "Alias.dat", false, true},
        {"and the other way round", real / "Alias.dat", real / "Home.dat", false, true},
        {"an entry of an earlier version", linked, linked, true, true},
        {"another file of the same name", real / "Home.dat", temp.path() / "team" / "Home.dat", false, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::unique_ptr<SettingsStore> settings =
            platform::CreateSettingsStoreIn(temp.path() / ("settings" + std::to_string(n++)));
        if (c.earlierVersion)
            ASSERT_TRUE(settings->write(EarlierSettingName(c.written), u"sealed 7"));
        else
            RememberSeenProfile(*settings, c.written, SeenProfile{true, 7});
        const std::optional<SeenProfile> seen = ReadSeenProfile(*settings, c.read);
        ASSERT_EQ(seen.has_value(), c.found);
        if (!c.found) continue;
        EXPECT_TRUE(seen->sealed);
        EXPECT_EQ(seen->version, 7);
        if (!c.earlierVersion) continue;
        // The next write moves it: the earlier name is emptied, and every name finds the file.
        RememberSeenProfile(*settings, c.read, SeenProfile{true, 8});
        std::u16string earlier;
        EXPECT_TRUE(settings->read(EarlierSettingName(c.written), earlier));
        EXPECT_EQ(earlier, u"");
        for (const std::filesystem::path& name : {linked, real / "Home.dat", real / "Alias.dat"})
            EXPECT_EQ(ReadSeenProfile(*settings, name).value_or(SeenProfile{}).version, 8) << name;
    }
}
#endif

}  // namespace
}  // namespace keyloft::testing
