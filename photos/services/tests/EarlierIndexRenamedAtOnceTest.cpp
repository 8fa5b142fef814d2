#include <functional>
#include <map>
#include <utility>

#include "core/scripted/ForwardingLibrary.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

const std::string earlierTrip = "Trip01";
const std::string earlierTripRenamed = "Trip01 (2024)";
constexpr int earlierBursts = 3;
constexpr int earlierFrames = 4;

// Runs a step once, right before the next listing is fetched, or before the files the start
// reads are first looked up.
class ListedAfter : public ForwardingLibrary {
public:
    using ForwardingLibrary::ForwardingLibrary;
    std::vector<LibraryAsset> fetchAssets() override {
        if (auto step = std::exchange(beforeFetch, nullptr)) step();
        return ForwardingLibrary::fetchAssets();
    }
    std::vector<LibraryAsset> lookUp(const std::vector<std::string>& ids) override {
        if (auto step = std::exchange(beforeLookUp, nullptr)) step();
        return ForwardingLibrary::lookUp(ids);
    }
    std::function<void()> beforeFetch, beforeLookUp;
};

// A trip of three bursts reviewed by an earlier build, which kept no digests of the bytes
// (with the parameter set, no file sizes or file numbers either): six frames of two bursts
// decided by hand, the third burst ignored. The folder is renamed as soon as the next start
// begins to list the library.
class EarlierIndexRenamedAtOnce : public testing::EngineOverFolder,
                                  public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int burst = 0; burst < earlierBursts; ++burst)
            for (int frame = 0; frame < earlierFrames; ++frame)
                writeJpeg(earlierTrip + "/b" + std::to_string(burst) + "-" + std::to_string(frame) +
                              ".jpg",
                          scene(7 + 13 * burst, {2 * frame, frame}),
                          "2024:0" + std::to_string(3 + burst) + ":01 10:00:0" +
                              std::to_string(2 * frame));
        start();
        engine->reconcileWithLibrary();
        analyseAll();
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
        decideByHand();
        engine->updateIndex([](LibraryIndex& index) {
            for (auto& [id, entry] : index.entries) {
                entry.contentDigest.reset();
                if (!GetParam()) continue;
                entry.asset.fileSize = 0;
                entry.asset.file.reset();
            }
        });
        ASSERT_TRUE(engine->save());
        engine.reset();
        services = {};
        start();
    }

    void start() {
        startServices();
        library = std::make_shared<ListedAfter>(services.library);
        engine = std::make_unique<ScanEngine>(library, services.extractor, storage,
                                              std::make_shared<SystemClock>());
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    }

    static std::string frameIn(int burst, int frame) {
        return "b" + std::to_string(burst) + "-" + std::to_string(frame) + ".jpg";
    }

    // The first three frames of the first two bursts turned the other way.
    void decideByHand() {
        for (int burst = 0; burst < 2; ++burst)
            for (int frame = 0; frame < 3; ++frame) {
                const auto name = frameIn(burst, frame);
                const bool keep = isFlagged(stateOf(earlierTrip + "/" + name));
                engine->override(earlierTrip + "/" + name, keep);
                byHand[name] = keep ? ReviewState::keptByHand : ReviewState::flaggedByHand;
            }
        ASSERT_FALSE(idsIn(ReviewState::keptByHand).empty());
        ASSERT_FALSE(idsIn(ReviewState::flaggedByHand).empty());
        const auto ignored = engine->index().entries.at(earlierTrip + "/" + frameIn(2, 0)).groupID;
        ASSERT_TRUE(ignored);
        engine->ignore(*ignored);
    }

    void expectEveryReviewFollows();

    void renameFolder() {
        std::filesystem::rename(pictures / earlierTrip, pictures / earlierTripRenamed);
    }

    std::shared_ptr<ListedAfter> library;
    // Decisions by hand, by file name.
    std::map<std::string, ReviewState> byHand;
};

TEST_P(EarlierIndexRenamedAtOnce, EveryReviewFollowsTheFolder) {
    library->beforeFetch = [this] { renameFolder(); };
    expectEveryReviewFollows();
}

// Renamed before the start reads the reviewed files: each is found by its file number on the
// library's drive, and follows where it measures as it did. Without the numbers nothing tells
// that a file listed there is the one reviewed.
TEST_P(EarlierIndexRenamedAtOnce, EveryReviewFollowsTheFolderRenamedBeforeTheStartReadsIt) {
    if (GetParam()) GTEST_SKIP() << "the index holds no file numbers";
    library->beforeLookUp = [this] { renameFolder(); };
    expectEveryReviewFollows();
}

void EarlierIndexRenamedAtOnce::expectEveryReviewFollows() {
    engine->reconcileWithLibrary();
    analyseAll();
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();

    const auto index = engine->index();
    for (const auto& [name, state] : byHand) {
        const auto found = index.entries.find(earlierTripRenamed + "/" + name);
        ASSERT_NE(found, index.entries.end()) << name;
        EXPECT_EQ(found->second.state, state) << name;
        EXPECT_EQ(journalled(ReviewJournal::Event::deletedElsewhere, earlierTrip + "/" + name), 0)
            << name;
    }
    for (int frame = 0; frame < earlierFrames; ++frame) {
        const auto& entry = index.entries.at(earlierTripRenamed + "/" + frameIn(2, frame));
        ASSERT_TRUE(entry.groupID) << frame;
        EXPECT_TRUE(index.ignoredGroups.contains(*entry.groupID)) << *entry.groupID;
        EXPECT_EQ(entry.state, ReviewState::keptByHand) << frame;
    }
    const auto links = linked();
    EXPECT_EQ(links, flagged());
    for (const auto& [name, state] : byHand) {
        if (state != ReviewState::flaggedByHand) continue;
        EXPECT_EQ(std::count(links.begin(), links.end(), earlierTripRenamed + "/" + name), 1)
            << name;
    }
}

INSTANTIATE_TEST_SUITE_P(WithoutDigestsOrWithoutSizesToo, EarlierIndexRenamedAtOnce,
                         ::testing::Bool());

} // namespace
} // namespace keepsift
