#include <atomic>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <utility>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using namespace std::chrono_literals;
using testing::EngineRig;
using testing::Shot;

// A library whose listing runs a hook while it is being fetched, as a slow listing would
// let other work run meanwhile.
class SlowLibrary : public ScriptedLibrary {
public:
    using ScriptedLibrary::ScriptedLibrary;

    std::vector<LibraryAsset> fetchAssets() override {
        ++fetches;
        if (whileFetching) whileFetching(fetches);
        return ScriptedLibrary::fetchAssets();
    }

    std::atomic<int> fetches = 0;
    std::function<void(int)> whileFetching;
};

using testing::momentAndSolitary;

// Runs the action on another thread and waits for it a while: it finishes only when the
// engine does not hold its lock across the library call in progress.
void runsMeanwhile(const std::function<void()>& action) {
    auto done = std::async(std::launch::async, action);
    ASSERT_EQ(done.wait_for(10s), std::future_status::ready) << "the engine held its lock";
    done.get();
}

TEST(EngineConcurrency, ReviewActionRunsDuringASlowListingWhichIsFetchedAgain) {
    EngineRig<SlowLibrary> rig(momentAndSolitary);
    rig.scanAll();
    rig.engine->syncRejectsAlbumIfNeeded();
    const auto generation = rig.engine->mutationGeneration();
    rig.library->fetches = 0;
    rig.library->whileFetching = [&](int fetch) {
        if (fetch == 1) runsMeanwhile([&] { rig.engine->override("a2", true); });
    };
    rig.engine->reconcileWithLibrary();
    EXPECT_EQ(rig.library->fetches, 2);
    EXPECT_EQ(rig.state("a2"), ReviewState::keptByHand);
    EXPECT_GT(rig.engine->mutationGeneration(), generation);
    // The listing fetched after the override knows a2 left the album: nothing to adopt.
    EXPECT_EQ(rig.engine->journal().entries().back().event, ReviewJournal::Event::overriddenToKeep);
}

// A library whose album write runs a hook while it is being made, as a slow disk would let a
// review action run meanwhile.
class SlowAlbumLibrary : public ScriptedLibrary {
public:
    using ScriptedLibrary::ScriptedLibrary;

    std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                         bool rejected) override {
        if (auto hook = std::exchange(whileWriting, nullptr)) hook();
        return ScriptedLibrary::setRejected(ids, rejected);
    }

    std::function<void()> whileWriting;
};

// The album is written for a2 and a3 while a2 is kept by hand, outside the engine's lock: the
// decision's own write, which follows, takes a2 out again, so that the next start does not
// read it as flagged by hand, and the decision answers once that write returned.
TEST(EngineConcurrency, APhotographKeptByHandWhileTheAlbumIsWrittenLeavesTheAlbum) {
    EngineRig<SlowAlbumLibrary> rig(momentAndSolitary);
    rig.scanAll();
    std::future<void> decision;
    rig.library->whileWriting = [&] {
        decision = std::async(std::launch::async, [&] { rig.engine->override("a2", true); });
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (rig.state("a2") != ReviewState::keptByHand &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        EXPECT_EQ(rig.state("a2"), ReviewState::keptByHand) << "the engine held its lock";
    };
    rig.engine->syncRejectsAlbumIfNeeded();
    ASSERT_TRUE(decision.valid());
    ASSERT_EQ(decision.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(rig.state("a2"), ReviewState::keptByHand);
    EXPECT_EQ(rig.library->rejectedIDs(), std::set<std::string>{"a3"});
}

TEST(EngineConcurrency, ListingIsFetchedAtMostThreeTimes) {
    EngineRig<SlowLibrary> rig(momentAndSolitary);
    rig.scanAll();
    rig.library->fetches = 0;
    rig.library->whileFetching = [&](int) {
        runsMeanwhile([&] { rig.engine->handleLibraryChange(change::AssetsDeleted{{"none"}}); });
    };
    rig.engine->reconcileWithLibrary();
    EXPECT_EQ(rig.library->fetches, 3);
}

TEST(EngineConcurrency, UnchangedGenerationMeansOneFetch) {
    EngineRig<SlowLibrary> rig(momentAndSolitary);
    rig.library->whileFetching = [&](int) { runsMeanwhile([&] { rig.engine->snapshot(); }); };
    rig.engine->reconcileWithLibrary();
    EXPECT_EQ(rig.library->fetches, 1);
}

// A signal source that lets a deletion happen while it measures.
class DeletingSource : public SignalSource {
public:
    std::optional<PhotoSignals> signals(const AssetReference& reference) override {
        if (whileMeasuring) whileMeasuring(reference.digest);
        return inner->signals(reference);
    }
    std::shared_ptr<SignalSource> inner;
    std::function<void(const std::string&)> whileMeasuring;
};

TEST(EngineConcurrency, PhotographDeletedWhileMeasuredKeepsNoMeasurement) {
    EngineRig<> rig(momentAndSolitary);
    auto source = std::make_shared<DeletingSource>();
    source->inner = rig.source;
    rig.engine = std::make_unique<ScanEngine>(rig.library, source, rig.storage, rig.clock);
    rig.engine->reconcileWithLibrary();
    source->whileMeasuring = [&](const std::string& id) {
        runsMeanwhile([&] { rig.engine->handleLibraryChange(change::AssetsDeleted{{id}}); });
    };
    EXPECT_TRUE(rig.engine->analyseNext(testing::runnable()));
    EXPECT_EQ(rig.engine->bytesThisBatch(), 0);
    const auto deleted = rig.engine->index().deletedEntries();
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_FALSE(deleted[0].signals.has_value());
    EXPECT_FALSE(deleted[0].skip.has_value());
}

TEST(EngineConcurrency, ChangeStreamClosesWhenTheReaderCancels) {
    EngineRig<> rig(momentAndSolitary);
    auto stream = rig.engine->libraryChanges();
    // Read through std::function: gcc 12 inlines the channel's pop into the loop and then
    // misreports the moved change as maybe uninitialised.
    const std::function<std::optional<LibraryChange>(std::stop_token)> next =
        [&](std::stop_token stop) { return stream->next(stop); };
    std::jthread reader([&](std::stop_token stop) {
        while (auto change = next(stop))
            rig.engine->handleLibraryChange(*change);
    });
    rig.library->setAuthorization(LibraryAuthorization::denied);
    stream->cancel();
    reader.join();
    EXPECT_TRUE(stream->isEnded());
}

} // namespace
} // namespace keepsift
