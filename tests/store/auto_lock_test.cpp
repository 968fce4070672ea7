#include "store/auto_lock.h"

#include <gtest/gtest.h>

#include <optional>

namespace keyloft {
namespace {

TEST(AutoLockMinutes, TheTimerSettingAsTheWindowReadsIt) {
    const std::pair<std::u16string_view, std::optional<int>> cases[] = {
        {u"15", 15},
        {u" 7.6", 8},
        {u"12 minutes", 12},
        {u"1", 5},
        {u"600", 60},
        {u"1e9", 5},
        {u"0", {}},
        {u"-3", {}},
        {u"", {}},
        {u"off", {}},
        {u".", {}},
        {u"+.5", 5},
        {u"99999999999999999999", 60},
    };
    for (const auto& [setting, minutes] : cases)
        EXPECT_EQ(AutoLockMinutes(setting), minutes) << std::string(setting.begin(), setting.end());
}

}  // namespace
}  // namespace keyloft
