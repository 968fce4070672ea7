#include <gtest/gtest.h>

#include "app/about_view.h"
#include "pages/text_rules.h"

namespace keyloft {
namespace {

TEST(TextRules, TrimBlanksRemovesOnlyBlanksAtBothEnds) {
    EXPECT_EQ(TrimBlanks(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(TrimBlanks(QStringLiteral("\ta\t")), QStringLiteral("\ta\t"));
    EXPECT_EQ(TrimBlanks(QStringLiteral("   ")), QString());
}

TEST(TextRules, LeadingNumberReadsLikeASettingValue) {
    EXPECT_EQ(LeadingNumber(QStringLiteral("15")), 15.0);
    EXPECT_EQ(LeadingNumber(QStringLiteral(" 7.6")), 7.6);
    EXPECT_EQ(LeadingNumber(QStringLiteral("12 minutes")), 12.0);
    EXPECT_EQ(LeadingNumber(QStringLiteral("-3")), -3.0);
    EXPECT_FALSE(LeadingNumber(QStringLiteral("")).has_value());
    EXPECT_FALSE(LeadingNumber(QStringLiteral("abc")).has_value());
    EXPECT_FALSE(LeadingNumber(QStringLiteral("-.")).has_value());
}

TEST(TextRules, VersionLabelEndsInAFixedTwo) {
    EXPECT_EQ(AboutView::VersionText(2, 0, 0), QStringLiteral("V. 2.0.0.2"));
    EXPECT_EQ(AboutView::VersionText(3, 11, 7), QStringLiteral("V. 3.11.7.2"));
}

}  // namespace
}  // namespace keyloft
