#include <random>

#include <gtest/gtest.h>

#include "PhotoFactory.hpp"
#include "ReferenceGrouping.hpp"
#include "core/grouping/GroupBuilder.hpp"

namespace keepsift {
namespace {

// One session of shots whose prints take a few exact values, so many linkages tie, with face
// layouts that keep some clusters apart: which tied pair merges first decides the groups.
std::vector<PhotoSignals> tiedSession(std::uint32_t seed) {
    std::mt19937 random(seed);
    const auto pick = [&](int high) {
        return std::uniform_int_distribution<int>(0, high - 1)(random);
    };
    const float offsets[] = {0.f, 0.05f, 0.1f, 0.15f};
    const double sides[] = {0.05, 0.1, 0.3};
    std::vector<PhotoSignals> photos;
    const int count = 8 + pick(20);
    for (int i = 0; i < count; ++i) {
        auto shot = sample::photo("IMG_" + std::to_string(i), 1000.0 + i / 3,
                                  sample::printAt(offsets[pick(4)]));
        for (int f = pick(3); f > 0; --f)
            shot.faces.push_back(sample::face(sides[pick(3)], sides[pick(3)]));
        photos.push_back(shot);
    }
    return photos;
}

TEST(TiedLinkages, MergeOrderMatchesTheReference) {
    auto loose = GroupingPolicy::standard;
    loose.distanceThreshold = 0.12;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        const auto session = tiedSession(seed);
        for (const auto& policy : {GroupingPolicy::standard, loose})
            ASSERT_EQ(GroupBuilder::build(session, policy), reference::build(session, policy))
                << "seed " << seed << " " << policy.identifier();
    }
}

} // namespace
} // namespace keepsift
