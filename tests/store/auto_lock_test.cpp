#include "store/auto_lock.h"

#include <gtest/gtest.h>

#include <optional>

#include "store/setting_number.h"

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

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfASetting) {
    const std::pair<std::u16string_view, std::optional<double>> cases[] = {
        {u"15", 15.0}, {u" 7.6", 7.6}, {u"12 minutes", 12.0}, {u"-3", -3.0}, {u"+.5", 0.5}, {u"5.", 5.0},
        {u"1e9", 1.0}, {u"", {}},      {u"abc", {}},          {u"-.", {}},   {u"\t5", {}},  {u"\uFF15", {}},
        {u"0,5", 0.0},
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(LeadingNumber(text), number) << std::string(text.begin(), text.end());
    // Far more digits than a double holds.
    EXPECT_GT(*LeadingNumber(std::u16string(400, u'9')), 1e300);
    EXPECT_EQ(LeadingNumber(u"0." + std::u16string(400, u'0') + u"1"), 0.0);
}

}  // namespace
}  // namespace keyloft
