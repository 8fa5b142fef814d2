#include <gtest/gtest.h>

#include "core/grouping/GroupingPolicy.hpp"
#include "core/grouping/ScoringPolicy.hpp"
#include "core/model/PhotoGroup.hpp"

namespace keepsift {
namespace {

TEST(GroupingPolicyText, NamesEveryValueWithCopyWindowBeforeTheFaceAreas) {
    EXPECT_EQ(GroupingPolicy::standard.identifier(),
              "grouping/1800,0.54,0.1,120,0.12,0.6,2.592e+06,0.015,0.004+veto");
    EXPECT_EQ(GroupingPolicy::baseline.identifier(),
              "grouping/1800,0.65,0.1,120,0.12,0.6,2.592e+06,0.015,0.004+veto");
    auto policy = GroupingPolicy::standard;
    policy.separatesCompositions = false;
    EXPECT_EQ(policy.identifier(), "grouping/1800,0.54,0.1,120,0.12,0.6,2.592e+06,0.015,0.004");
    policy.maximumSessionLength = 1234567;
    EXPECT_EQ(policy.identifier(),
              "grouping/1800,0.54,0.1,1.23457e+06,0.12,0.6,2.592e+06,0.015,0.004");
}

TEST(GroupingPolicyPresets, DefaultIsBaselineAndDiffersFromStandardInThresholdOnly) {
    EXPECT_EQ(GroupingPolicy(), GroupingPolicy::baseline);
    EXPECT_NE(GroupingPolicy(), GroupingPolicy::standard);
    auto adjusted = GroupingPolicy();
    adjusted.distanceThreshold = 0.54;
    EXPECT_EQ(adjusted, GroupingPolicy::standard);
    const GroupingPolicy all(1, 2, 3, 4, 5, 6, false, 7, 8, 9);
    EXPECT_EQ(all.copyWindow, 9);
    EXPECT_EQ(all.countedFaceArea, 8);
    EXPECT_FALSE(all.separatesCompositions);
}

TEST(ScoringPolicyValues, StandardWeightsMarginAndText) {
    const auto& policy = ScoringPolicy::standard;
    EXPECT_EQ(ScoringPolicy(), policy);
    EXPECT_DOUBLE_EQ(policy.totalWeight(), 5.1);
    EXPECT_DOUBLE_EQ(policy.keepMargin(), 0.153);
    EXPECT_EQ(policy.identifier(), "scoring/1.5,2,1,0.1,0.25,0.15,0.1,0.45,4,40,0.03,0.2,0.004");
    const ScoringPolicy custom(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0.5, 12, 13);
    EXPECT_EQ(custom.totalWeight(), 28);
    EXPECT_EQ(custom.keepMargin(), 14);
    EXPECT_EQ(custom.significantFaceArea, 13);
}

TEST(GroupKind, RawValuesAreExact) {
    for (auto kind : allCases<PhotoGroup::Kind>())
        EXPECT_EQ(fromString<PhotoGroup::Kind>(toString(kind)), kind);
    EXPECT_FALSE(fromString<PhotoGroup::Kind>("Moment"));
    EXPECT_FALSE(fromString<PhotoGroup::Kind>(""));
    PhotoGroup a{"one", PhotoGroup::Kind::solitary, {}, {}};
    PhotoGroup b = a;
    b.id = "two";
    EXPECT_NE(a, b);
}

} // namespace
} // namespace keepsift
