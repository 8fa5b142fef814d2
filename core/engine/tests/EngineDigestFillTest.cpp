#include <atomic>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using namespace testing;

constexpr int photoCount = 400;

// Counts the whole saves of the index.
class CountingStorage : public MemoryFileStorage {
public:
    void write(const Data& data, const std::string& name) override {
        if (name == ScanEngine::indexFileName) ++indexSaves;
        MemoryFileStorage::write(data, name);
    }
    std::atomic<int> indexSaves = 0;
};

std::vector<Shot> manyShots() {
    std::vector<Shot> shots;
    for (int n = 0; n < photoCount; ++n) {
        std::string id = "p";
        id += std::to_string(n);
        shots.push_back({id, n * 100.0, (n / 3) % 30, n % 3 ? 0.3f : 0.9f});
    }
    return shots;
}

std::string bytesOf(const std::string& id) {
    return "bytes of " + id;
}

// A library measured and reviewed by an earlier build, which kept neither digests nor file
// sizes, started again by this one.
struct EarlierBuildsIndex : ::testing::Test {
    EngineRig<> rig{manyShots()};
    std::shared_ptr<CountingStorage> counting = std::make_shared<CountingStorage>();

    void SetUp() override {
        rig.storage = counting;
        rig.start();
        rig.scanAll();
        rig.engine->override("p1", true);
        rig.engine->updateIndex([](LibraryIndex& index) {
            for (auto& [id, entry] : index.entries) {
                ASSERT_FALSE(entry.contentDigest) << id;
                entry.asset.fileSize = 0;
            }
        });
        ASSERT_TRUE(rig.engine->save());
        for (const auto& shot : manyShots())
            rig.library->setContent(shot.id, bytesOf(shot.id));
        rig.start();
        rig.engine->refreshAuthorization();
        rig.engine->reconcileWithLibrary();
        counting->indexSaves = 0;
    }

    // Idle steps `apart` seconds from each other, more than enough to read every digest.
    void fillWhileIdle(double apart) {
        for (int step = 0; step < photoCount; ++step) {
            rig.engine->fillContentDigests(runnable());
            rig.clock->advance(apart);
        }
    }

    int savedDigests() const {
        int filled = 0;
        for (const auto& [id, entry] : rig.savedIndex().entries)
            filled += entry.contentDigest == bytesOf(id) ? 1 : 0;
        return filled;
    }
};

// Steps as far apart as an idle pump's used to be still save the index only a few times.
TEST_F(EarlierBuildsIndex, IsFilledWithAFewWholeSaves) {
    fillWhileIdle(30);
    EXPECT_LE(counting->indexSaves, 3);
    EXPECT_EQ(savedDigests(), photoCount);
    EXPECT_FALSE(rig.engine->pendingSave());
}

// However slowly the files read, a crash loses at most the digests of the last few minutes.
TEST_F(EarlierBuildsIndex, ALongFillIsSavedNowAndThen) {
    constexpr double apart = 60;
    const int stepsUnsaved = static_cast<int>(ScanEngine::digestSaveInterval / apart);
    for (int step = 1; step <= photoCount / 16; ++step) {
        rig.engine->fillContentDigests(runnable());
        rig.clock->advance(apart);
        EXPECT_GE(savedDigests(), 16 * (step - stepsUnsaved)) << step;
    }
    EXPECT_EQ(savedDigests(), photoCount);
    EXPECT_LE(counting->indexSaves, photoCount / 16 / stepsUnsaved + 1);
}

// Digests read before a quit are written by its flush.
TEST_F(EarlierBuildsIndex, AFillCutShortIsWrittenByTheQuitFlush) {
    for (int step = 0; step < 3; ++step)
        rig.engine->fillContentDigests(runnable());
    EXPECT_EQ(counting->indexSaves, 0);
    rig.engine->flush();
    EXPECT_EQ(counting->indexSaves, 1);
    EXPECT_GE(savedDigests(), 3);
    EXPECT_EQ(rig.savedIndex().entry("p1")->contentDigest, bytesOf("p1"));
}

// Reads each digest with a status of its own, and keeps what the delete is given.
class StatusReading : public ScriptedLibrary {
public:
    using ScriptedLibrary::ScriptedLibrary;
    std::optional<DigestRead> readDigest(const std::string& id) override {
        auto read = ScriptedLibrary::readDigest(id);
        if (read) read->status = statusOf(id);
        return read;
    }
    DeletionReport deleteAssets(const std::vector<std::string>& ids,
                                const ReviewedContents& reviewed) override {
        given = reviewed;
        return ScriptedLibrary::deleteAssets(ids, reviewed);
    }
    static DigestedStatus statusOf(const std::string& id) {
        return {static_cast<std::int64_t>(std::hash<std::string>{}(id) >> 2), 4096, 1, 2};
    }
    ReviewedContents given;
};

// The status a digest was read with is saved with it and given to the delete, which then
// reads only the files whose status moved.
TEST(DigestStatus, TheStatusADigestWasReadWithIsSavedAndGivenToTheDelete) {
    EngineRig<StatusReading> rig{momentAndSolitary};
    for (const auto& shot : momentAndSolitary)
        rig.library->setContent(shot.id, bytesOf(shot.id));
    rig.scanAll();
    while (rig.engine->fillContentDigests(runnable()) == DigestFill::more) {
    }
    ASSERT_TRUE(rig.engine->save());
    const auto saved = rig.savedIndex();
    for (const auto& shot : momentAndSolitary) {
        EXPECT_EQ(saved.entry(shot.id)->contentDigest, bytesOf(shot.id)) << shot.id;
        EXPECT_EQ(saved.entry(shot.id)->digestedAs, StatusReading::statusOf(shot.id)) << shot.id;
    }
    rig.engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_EQ(rig.library->given.size(), 2u);
    for (const auto& [id, reviewed] : rig.library->given)
        EXPECT_EQ(reviewed, (ReviewedBytes{bytesOf(id), rig.entry(id).asset.fileSize,
                                           StatusReading::statusOf(id)}))
            << id;
}

} // namespace
} // namespace keepsift
