#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::momentAndSolitary;

constexpr auto patience = std::chrono::seconds(60);

// Counts whole saves of the index; while closed, each waits before it is written.
class GatedStorage : public MemoryFileStorage {
public:
    void write(const Data& data, const std::string& name) override {
        if (name == ScanEngine::indexFileName) {
            std::unique_lock lock(mutex_);
            ++indexWrites_;
            changed_.notify_all();
            if (!changed_.wait_for(lock, patience, [this] { return open_; }))
                throw std::runtime_error("the gate stayed closed");
        }
        MemoryFileStorage::write(data, name);
    }
    void setOpen(bool open) {
        std::lock_guard lock(mutex_);
        open_ = open;
        changed_.notify_all();
    }
    int indexWrites() const {
        std::lock_guard lock(mutex_);
        return indexWrites_;
    }
    bool awaitIndexWrites(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, patience, [&] { return indexWrites_ >= count; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int indexWrites_ = 0;
    bool open_ = true;
};

// The rig's library scanned with its album in step: a1 and s1 kept, a2 and a3 flagged.
struct DecisionSaving : ::testing::Test {
    EngineRig<> rig{momentAndSolitary};
    std::shared_ptr<GatedStorage> gated = std::make_shared<GatedStorage>();

    void SetUp() override {
        rig.storage = gated;
        rig.start();
        rig.scanAll();
        rig.engine->syncRejectsAlbumIfNeeded();
        rig.clock->advance(1);
    }
    ReviewState saved(const std::string& id) { return rig.savedIndex().entry(id)->state; }
    // Waits, within generous bounds, until the engine holds every decision in memory.
    bool awaitStates(const std::map<std::string, ReviewState>& states) {
        const auto until = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < until) {
            const auto index = rig.engine->index();
            bool all = true;
            for (const auto& [id, state] : states)
                all = all && index.entry(id)->state == state;
            if (all) return true;
            std::this_thread::yield();
        }
        return false;
    }
};

TEST_F(DecisionSaving, ADecisionIsOneSaveOnDiskWhenItAnswersAndTheAlbumsFlagsFollowLater) {
    const int before = gated->indexWrites();
    rig.engine->override("a1", false);
    EXPECT_EQ(gated->indexWrites() - before, 1);
    EXPECT_EQ(saved("a1"), ReviewState::flaggedByHand);
    EXPECT_TRUE(rig.library->rejectedIDs().count("a1"));

    rig.engine->ignore(*rig.entry("a1").groupID);
    EXPECT_EQ(gated->indexWrites() - before, 2);
    EXPECT_EQ(saved("a2"), ReviewState::keptByHand);

    // The album's own flags reach the file with the next save of any kind.
    rig.engine->flush();
    EXPECT_FALSE(rig.savedIndex().entry("a2")->asset.isRejected);
    EXPECT_FALSE(rig.engine->pendingSave());
}

// Decisions asked for while a save is written wait for one more save, which holds them all;
// each answers only once its own decision is on disk.
TEST_F(DecisionSaving, QuickDecisionsFoldIntoTheNextSave) {
    gated->setOpen(false);
    const int before = gated->indexWrites();
    const std::vector<std::pair<std::string, bool>> decisions = {
        {"a1", false}, {"a2", true}, {"a3", true}, {"s1", false}, {"a1", true}};
    std::map<std::string, ReviewState> onDiskWhenAnswered;
    std::mutex answered;
    std::vector<std::thread> threads;
    auto decide = [&](const std::string& id, bool keep) {
        threads.emplace_back([&, id, keep] {
            rig.engine->override(id, keep);
            const ReviewState state = saved(id);
            std::lock_guard lock(answered);
            if (!onDiskWhenAnswered.count(id) || !keep) onDiskWhenAnswered[id] = state;
        });
    };
    decide("a1", false);
    ASSERT_TRUE(gated->awaitIndexWrites(before + 1));
    for (size_t i = 1; i < decisions.size(); ++i)
        decide(decisions[i].first, decisions[i].second);
    const bool held = awaitStates({{"a1", ReviewState::keptByHand},
                                   {"a2", ReviewState::keptByHand},
                                   {"a3", ReviewState::keptByHand},
                                   {"s1", ReviewState::flaggedByHand}});
    gated->setOpen(true);
    for (auto& thread : threads)
        thread.join();
    ASSERT_TRUE(held);

    // The first decision's save, the one that holds the others, and the one of the album write
    // that takes their links in the first decision's turn.
    EXPECT_LE(gated->indexWrites() - before, 3);
    EXPECT_EQ(onDiskWhenAnswered["a2"], ReviewState::keptByHand);
    EXPECT_EQ(onDiskWhenAnswered["a3"], ReviewState::keptByHand);
    EXPECT_EQ(onDiskWhenAnswered["s1"], ReviewState::flaggedByHand);
    EXPECT_EQ(saved("a1"), ReviewState::keptByHand);
}

// A save that fails is tried again once the album is written, as before.
TEST_F(DecisionSaving, ADecisionWhoseSaveFailedIsSavedAgainAfterTheAlbum) {
    gated->setFailNextWrite(std::make_exception_ptr(std::runtime_error("disk full")));
    rig.engine->override("a1", false);
    EXPECT_EQ(saved("a1"), ReviewState::flaggedByHand);
    EXPECT_TRUE(rig.library->rejectedIDs().count("a1"));
}

// A listing that finds the library as the index knows it (a mount elsewhere on the machine,
// a file that is no photograph) dates no decision anew and writes nothing, also once the
// interval would allow a save.
TEST_F(DecisionSaving, ARefreshThatFindsNothingChangedWritesNothing) {
    rig.engine->override("a2", true);
    rig.engine->flush();
    rig.clock->advance(60);
    const auto before = rig.engine->index();
    const int writes = gated->indexWrites();
    EXPECT_FALSE(rig.engine->handleLibraryChange(change::NeedsRefresh{}));
    EXPECT_FALSE(rig.engine->pendingSave());
    EXPECT_EQ(gated->indexWrites(), writes);
    EXPECT_EQ(rig.engine->index(), before);
    EXPECT_EQ(rig.savedIndex(), before);
}

// A photograph marked a favourite outside the program changes no file's content, and is
// still saved, and regrouped, since the keeper may follow it.
TEST_F(DecisionSaving, ARefreshThatFindsAFavouriteIsSaved) {
    rig.engine->flush();
    rig.clock->advance(60);
    const int writes = gated->indexWrites();
    auto favourite = testing::assetOf(momentAndSolitary[1]);
    favourite.isFavourite = true;
    rig.library->add({favourite});
    EXPECT_TRUE(rig.engine->handleLibraryChange(change::NeedsRefresh{}));
    EXPECT_EQ(gated->indexWrites(), writes + 1);
    EXPECT_TRUE(rig.savedIndex().entry("a2")->signals->isFavourite);
}

} // namespace
} // namespace keepsift
