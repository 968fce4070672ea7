#include <gtest/gtest.h>

#include <string>

#include "store/profile_name.h"

namespace keyloft {
namespace {

TEST(ProfileName, DeviceNamesAreRefusedInAnyCase) {
    for (const std::u16string name : {u"NUL", u"nul", u"Con", u"PRN", u"aux", u"COM1", u"com9", u"LPT1", u"lPt5",
                                      u"COM\u00B9", u"LPT\u00B3", u"CONIN$", u"conout$", u"NUL ", u"com3  "}) {
        EXPECT_FALSE(IsAcceptableProfileName(name)) << std::string(name.begin(), name.end());
    }
    // Names that only begin or end like a device are ordinary names.
    for (const std::u16string name : {u"NULL", u"CONS", u"COM0", u"COM10", u"LPT", u"MyCOM1", u"AUXILIARY", u" NUL",
                                      u"Caf\u00e9 \u65e5\u672c", u"a b", u"x"}) {
        EXPECT_TRUE(IsAcceptableProfileName(name)) << std::string(name.begin(), name.end());
    }
}

TEST(ProfileName, CharactersOfPathsAndControlsAreRefused) {
    EXPECT_FALSE(IsAcceptableProfileName(u""));
    for (const char16_t c : std::u16string(u".\\/:*?\"<>|\t\n\x7F")) {
        EXPECT_FALSE(IsAcceptableProfileName(std::u16string(u"a") + c + u"b")) << static_cast<int>(c);
    }
    EXPECT_FALSE(IsAcceptableProfileName(u"../x"));
    EXPECT_FALSE(IsAcceptableProfileName(std::u16string(u"a\0b", 3)));
}

}  // namespace
}  // namespace keyloft
