#include <chrono>
#include <tuple>

#include "core/engine/ScanEngine.hpp"
#include "core/storage/MemoryFileStorage.hpp"
#include "photos/services/tests/LiveHome.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift {
namespace {

using namespace std::chrono_literals;

// A reviewed folder of 24 photographs, eight bursts of three, on a card that stays mounted
// (a plain folder where no card can be mounted), with one more photograph beside it; the
// engine follows the library's change stream as the application does, told of changes by
// inotify or, as on a FUSE card or with inotify exhausted, by polling.
class HandRemoval : public testing::LiveHome,
                    public ::testing::WithParamInterface<std::tuple<bool, int>> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        for (int i = 0; i < 24; ++i)
            writeJpeg(name(i), scene(40 + i / 3, {i % 3 * 2, i % 3}),
                      "2024:05:0" + std::to_string(1 + i / 3) + " 10:00:0" + std::to_string(i % 3));
        std::filesystem::rename(pictures / "Trip", root / "card");
        if (!mounts.bind(root / "card", pictures / "Trip"))
            std::filesystem::rename(root / "card", pictures / "Trip");
        WatcherOptions watcher;
        watcher.useInotify = !std::get<0>(GetParam());
        startServices(watcher);
        engine = std::make_unique<ScanEngine>(services.library, services.extractor, storage,
                                              std::make_shared<SystemClock>());
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
        ASSERT_EQ(engine->reconcileWithLibrary().added.size(), 25u);
        WorkConditions conditions;
        conditions.power = WorkConditions::Power::mains;
        for (int steps = 0; steps < 50 && engine->analyseNext(conditions);)
            ++steps;
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
    }
    void TearDown() override {
        engine.reset();
        mounts.unmountAll();
        LiveHome::TearDown();
    }
    static std::string name(int i) { return "Trip/IMG_" + std::to_string(100 + i) + ".jpg"; }

    int deletedAmong(int first) const {
        const auto index = engine->index();
        int count = 0;
        for (int i = 0; i < first; ++i)
            count += index.entries.at(name(i)).state == ReviewState::deleted;
        return count;
    }

    foldertest::PrivateMounts mounts;
    std::shared_ptr<MemoryFileStorage> storage = std::make_shared<MemoryFileStorage>();
    std::unique_ptr<ScanEngine> engine;
};

TEST_P(HandRemoval, PhotographsRemovedAtOnceAreCountedDeletedWithinSeconds) {
    const int removed = std::get<1>(GetParam());
    const auto flaggedBefore = engine->snapshot().review.flaggedCount;
    ASSERT_GT(flaggedBefore, 0);
    const auto stream = engine->libraryChanges();
    for (int i = 0; i < removed; ++i)
        std::filesystem::remove(pictures / name(i));
    // Generous for a loaded machine; the watcher reports within about a second.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (deletedAmong(removed) < removed && std::chrono::steady_clock::now() < deadline)
        if (auto change = stream->next(200ms)) engine->handleLibraryChange(*change);
    stream->cancel();
    EXPECT_EQ(deletedAmong(removed), removed);
    const auto after = engine->snapshot();
    EXPECT_EQ(after.known, 25 - removed);
    EXPECT_LT(after.review.flaggedCount, flaggedBefore);
    for (const auto& event : engine->journal().entries())
        EXPECT_NE(event.event, ReviewJournal::Event::unflaggedElsewhere) << event.assetID;
}

INSTANTIATE_TEST_SUITE_P(AtOnce, HandRemoval,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(2, 3, 6, 24)));

} // namespace
} // namespace keepsift
