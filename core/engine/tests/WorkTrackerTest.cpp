#include <gtest/gtest.h>
#include <random>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::Shot;

std::vector<Shot> library() {
    std::vector<Shot> shots;
    for (int moment = 0; moment < 8; ++moment)
        for (int shot = 0; shot <= moment % 4; ++shot)
            shots.push_back({std::string("m")
                                 .append(std::to_string(moment))
                                 .append("-")
                                 .append(std::to_string(shot)),
                             moment * 5000.0 + shot * 3, moment % 8, shot == 0 ? 0.9f : 0.3f});
    return shots;
}

// What the engine keeps at hand must always equal what the whole index says.
void expectInStep(const ScanEngine& engine) {
    const auto index = engine.index();
    const auto snapshot = engine.snapshot();
    EXPECT_EQ(snapshot.review, ReviewList::build(index.entries, index.ignoredGroups));
    std::int64_t analysed = 0, known = 0;
    for (const auto& [id, entry] : index.entries) {
        analysed += entry.signals || entry.skip ? 1 : 0;
        known += entry.state != ReviewState::deleted ? 1 : 0;
    }
    EXPECT_EQ(snapshot.analysed, analysed);
    EXPECT_EQ(snapshot.known, known);
    EXPECT_EQ(snapshot.waiting, static_cast<std::int64_t>(engine.queue().items.size() +
                                                          index.entriesNeedingOriginals().size()));
}

TEST(WorkTracker, StaysInStepWithTheIndexThroughAnyMixOfOperations) {
    const auto shots = library();
    EngineRig<> rig(shots);
    rig.scanAll();
    std::mt19937 random(7);
    auto pick = [&] { return shots[random() % shots.size()].id; };
    for (int step = 0; step < 120; ++step) {
        const std::string id = pick();
        const auto group = rig.entry(id).groupID.value_or("none");
        switch (random() % 8) {
        case 0:
            rig.engine->override(id, random() % 2 == 0);
            break;
        case 1:
            rig.engine->ignore(group);
            break;
        case 2:
            rig.engine->reset(group);
            break;
        case 3:
            rig.engine->handleLibraryChange(change::AssetsDeleted{{id}});
            break;
        case 4: {
            auto asset = testing::assetOf(shots[random() % shots.size()]);
            asset.modifiedAt = asset.modifiedAt->adding(step + 1.0);
            rig.engine->handleLibraryChange(change::AssetsChanged{{asset}});
            break;
        }
        case 5:
            rig.engine->handleLibraryChange(change::RejectsAlbumChanged{{id}, {}});
            break;
        case 6:
            rig.analyseAll();
            break;
        default:
            rig.engine->regroup();
            break;
        }
        expectInStep(*rig.engine);
        if (::testing::Test::HasFailure()) FAIL() << "out of step after step " << step;
    }
}

// Identifiers are ordered by their canonical forms, as the index orders them: a file name
// in decomposed form must not jump ahead of its neighbours.
TEST(WorkTracker, OrdersIdentifiersAsTheIndexDoes) {
    const std::vector<std::string> ids{"e\u0301b", "\u00e9a", "\u00e9c"};
    std::vector<LibraryAsset> assets;
    for (const auto& id : ids) {
        LibraryAsset asset;
        asset.id = id;
        asset.filename = id;
        assets.push_back(asset);
    }
    EngineRig<> rig({});
    rig.library->add(assets);
    rig.engine->reconcileWithLibrary();
    auto expected = [&](const std::vector<IndexEntry>& entries) {
        std::vector<std::string> out;
        for (const auto& entry : entries)
            out.push_back(entry.asset.id);
        return out;
    };
    std::vector<std::string> queued;
    for (const auto& item : rig.engine->queue().items)
        queued.push_back(item.id);
    EXPECT_EQ(queued, expected(rig.engine->index().entriesAwaitingSignals()));

    rig.engine->updateIndex([&](LibraryIndex& index) { index.markNeedsOriginal(ids); });
    EXPECT_EQ(rig.engine->index().nextEntryNeedingOriginal()->asset.id, "\u00e9a");
    rig.engine->analyseNext(testing::runnable());
    EXPECT_TRUE(rig.entry("\u00e9a").skip.has_value());
    EXPECT_FALSE(rig.entry("e\u0301b").skip.has_value());
}

// A list handed out stays as it was while the tracker patches the one it keeps.
TEST(WorkTracker, PatchingLeavesAHeldListAlone) {
    LibraryIndex index;
    for (const std::string id : {"a", "b", "c"}) {
        IndexEntry entry;
        entry.asset.id = id;
        entry.asset.filename = id + ".jpg";
        entry.state = id == "a" ? ReviewState::keeper : ReviewState::flagged;
        entry.groupID = "g";
        index.entries.emplace(id, entry);
    }
    WorkTracker tracker;
    tracker.rebuild(index);
    const auto held = tracker.sharedReviewList(index.ignoredGroups);
    const ReviewList before = *held;
    ASSERT_EQ(before.flaggedCount, 2);

    IndexEntry& changed = index.entries.at("b");
    tracker.forget(changed);
    changed.state = ReviewState::keptByHand;
    tracker.note(changed);
    const auto& patched = tracker.reviewList(index.ignoredGroups);
    EXPECT_EQ(patched, ReviewList::build(index.entries, index.ignoredGroups));
    EXPECT_EQ(patched.flaggedCount, 1);
    EXPECT_EQ(*held, before);
}

} // namespace
} // namespace keepsift
