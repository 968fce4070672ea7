// What this user remembers of a profile file: versions go round from 2147483639 to 1, and what was
// seen only moves forward.
#include <gtest/gtest.h>

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
        {2, 1, true}, {1, 2, false}, {5, 5, false},
        {1, 2147483639, true},           // the save after 2147483639
        {3, 2147483638, true},           // a few saves past the wrap
        {2147483638, 3, false},          // went back across it
        {1, 0, true}, {-4, -5, true},    // versions of files no writer of this program made
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

}  // namespace
}  // namespace keyloft::testing
