#include <gtest/gtest.h>

#include "app/about_view.h"
#include "pages/text_rules.h"

namespace keyloft {
namespace {

TEST(TextRules, TrimmedTextRemovesOnlyBlanksAtBothEnds) {
    EXPECT_EQ(TrimmedText(QStringLiteral("  a b  ")), u"a b");
    EXPECT_EQ(TrimmedText(QStringLiteral("\ta\t")), u"\ta\t");
    EXPECT_EQ(TrimmedText(QStringLiteral("   ")), u"");
}

TEST(TextRules, VersionLabelEndsInAFixedTwo) {
    EXPECT_EQ(AboutView::VersionText(2, 0, 0), QStringLiteral("V. 2.0.0.2"));
    EXPECT_EQ(AboutView::VersionText(3, 11, 7), QStringLiteral("V. 3.11.7.2"));
}

}  // namespace
}  // namespace keyloft
