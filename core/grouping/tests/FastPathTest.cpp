#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "RandomLibrary.hpp"
#include "ReferenceGrouping.hpp"
#include "core/grouping/GroupBuilder.hpp"
#include "core/grouping/KeeperSelector.hpp"
#include "core/grouping/Provenance.hpp"

namespace keepsift {
namespace {

std::vector<GroupingPolicy> policies() {
    auto noVeto = GroupingPolicy::standard;
    noVeto.separatesCompositions = false;
    auto shortSessions = GroupingPolicy::standard;
    shortSessions.maximumSessionLength = 5;
    auto wideCopies = GroupingPolicy::standard;
    wideCopies.copyPixelRatio = 1;
    return {GroupingPolicy::standard, GroupingPolicy::baseline, noVeto, shortSessions, wideCopies};
}

TEST(FastPath, GroupsAndDecisionsMatchTheReference) {
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        const size_t lengths[] = {8, 13, 40};
        const auto library = sample::randomLibrary(seed, 150, lengths[seed % 3]);
        for (const auto& policy : policies()) {
            const auto expected = reference::build(library, policy);
            const auto groups = GroupBuilder::build(library, policy);
            ASSERT_EQ(groups, expected) << "seed " << seed << " " << policy.identifier();
            EXPECT_EQ(KeeperSelector::decideAll(groups), KeeperSelector::decideAll(expected));
        }
    }
}

// Long prints: far pairs in a session are measured only part of the way unless an average
// needs them whole.
TEST(FastPath, LongPrintsGroupAsTheReference) {
    for (std::uint32_t seed = 500; seed <= 530; ++seed) {
        const auto library = sample::randomLibrary(seed, 160, 100);
        for (const auto& policy : policies()) {
            const auto groups = GroupBuilder::build(library, policy);
            ASSERT_EQ(groups, reference::build(library, policy))
                << "seed " << seed << " " << policy.identifier();
        }
    }
}

// The engine groups and decides over the index's own signals by address.
TEST(FastPath, DraftsOverAddressesDecideAsTheReferenceGroups) {
    for (std::uint32_t seed = 300; seed <= 340; ++seed) {
        auto library = sample::randomLibrary(seed, 150, seed % 2 ? 8 : 40);
        for (const auto& policy : policies()) {
            const auto expected = KeeperSelector::decideAll(reference::build(library, policy));
            std::vector<const PhotoSignals*> addresses;
            for (const auto& photo : library)
                addresses.push_back(&photo);
            std::shuffle(addresses.begin(), addresses.end(), std::mt19937(seed));
            const auto drafts = GroupBuilder::draft(addresses, policy);
            std::vector<const GroupDraft*> held;
            for (const auto& draft : drafts)
                held.push_back(&draft);
            ASSERT_EQ(KeeperSelector::decideAll(held), expected)
                << "seed " << seed << " " << policy.identifier();
        }
    }
}

TEST(FastPath, CopiesMatchTheReferenceInAnyOrder) {
    for (std::uint32_t seed = 100; seed <= 160; ++seed) {
        auto library = sample::randomLibrary(seed, 120, seed % 2 ? 8 : 29);
        std::shuffle(library.begin(), library.end(), std::mt19937(seed));
        const auto& policy = GroupingPolicy::standard;
        EXPECT_EQ(Provenance::copies(library, policy), reference::copies(library, policy))
            << "seed " << seed;
    }
}

// In capture order the scan compares each photograph only with the kinds that can match.
TEST(FastPath, CopiesInCaptureOrderMatchTheReference) {
    for (std::uint32_t seed = 400; seed <= 460; ++seed) {
        auto library = sample::randomLibrary(seed, 200, seed % 3 ? 40 : 8);
        std::stable_sort(library.begin(), library.end(),
                         [](const PhotoSignals& a, const PhotoSignals& b) {
                             if (a.capturedAt.has_value() != b.capturedAt.has_value())
                                 return a.capturedAt.has_value();
                             return a.capturedAt && *a.capturedAt < *b.capturedAt;
                         });
        for (const auto& policy : policies())
            ASSERT_EQ(Provenance::copies(library, policy), reference::copies(library, policy))
                << "seed " << seed << " " << policy.identifier();
    }
}

TEST(FastPath, ShuffledInputGivesTheSameGroupsAndDecisions) {
    for (std::uint32_t seed = 200; seed <= 230; ++seed) {
        const auto library = sample::randomLibrary(seed, 200);
        const auto groups = GroupBuilder::build(library, GroupingPolicy::standard);
        const auto decisions = KeeperSelector::decideAll(groups);
        auto shuffled = library;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(seed));
        const auto again = GroupBuilder::build(shuffled, GroupingPolicy::standard);
        ASSERT_EQ(again, groups) << "seed " << seed;
        EXPECT_EQ(KeeperSelector::decideAll(again), decisions);
    }
}

TEST(FastPath, EveryPhotographEndsInExactlyOneGroup) {
    const auto library = sample::randomLibrary(7, 300);
    const auto groups = GroupBuilder::build(library, GroupingPolicy::standard);
    std::vector<std::string> digests;
    for (const auto& group : groups)
        for (const auto& photo : group.photos)
            digests.push_back(photo.digest);
    std::vector<std::string> expected;
    for (const auto& photo : library)
        expected.push_back(photo.digest);
    std::sort(digests.begin(), digests.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(digests, expected);
}

} // namespace
} // namespace keepsift
