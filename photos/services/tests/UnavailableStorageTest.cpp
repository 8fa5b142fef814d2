#include <algorithm>

#include "core/engine/ScanEngine.hpp"
#include "core/storage/MemoryFileStorage.hpp"
#include "photos/services/tests/LiveHome.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift {
namespace {

// Storage that goes away leaves an empty folder where the photographs were: the index knows
// what it held there, so nothing is taken for deleted, whatever the catalogue cache holds.
class UnavailableStorage : public testing::LiveHome {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        for (int i = 0; i < 12; ++i)
            writeJpeg("Card/DCIM/IMG_" + std::to_string(i) + ".jpg", scene(40 + i),
                      "2024:05:0" + std::to_string(1 + i % 9) + " 10:00:00");
        start();
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
        ASSERT_EQ(engine->reconcileWithLibrary().added.size(), 13u);
        engine->override("Card/DCIM/IMG_3.jpg", true);
        engine->override("beach.jpg", false);
        engine->flush();
    }
    // A new launch on the saved index, its catalogue cache cleared or never made.
    void restartWithoutCatalogueCache() {
        engine.reset();
        services = {};
        std::filesystem::remove_all(root / "XDG_CACHE_HOME");
        start();
        engine->ensureAuthorization(true);
    }
    void start() {
        startServices();
        engine = std::make_unique<ScanEngine>(services.library, services.extractor, storage,
                                              std::make_shared<SystemClock>());
    }
    void expectNothingTakenForDeleted() {
        const auto index = engine->index();
        EXPECT_EQ(index.entries.size(), 13u);
        for (const auto& [id, entry] : index.entries)
            EXPECT_NE(entry.state, ReviewState::deleted) << id;
        EXPECT_EQ(index.entries.at("Card/DCIM/IMG_3.jpg").state, ReviewState::keptByHand);
        EXPECT_EQ(index.entries.at("beach.jpg").state, ReviewState::flaggedByHand);
        for (const auto& event : engine->journal().entries())
            EXPECT_NE(event.event, ReviewJournal::Event::deletedElsewhere) << event.assetID;
    }
    // Moves a folder's contents away, leaving the folder empty as an unmounted drive does.
    void unmount(const std::filesystem::path& folder) {
        std::filesystem::rename(folder, root / "away");
        std::filesystem::create_directory(folder);
    }
    void remount(const std::filesystem::path& folder) {
        std::filesystem::remove(folder);
        std::filesystem::rename(root / "away", folder);
    }

    std::shared_ptr<MemoryFileStorage> storage = std::make_shared<MemoryFileStorage>();
    std::unique_ptr<ScanEngine> engine;
};

TEST_F(UnavailableStorage, ALibraryOnAnUnmountedDriveWithoutItsCatalogueCacheLosesNothing) {
    unmount(pictures);
    restartWithoutCatalogueCache();
    EXPECT_TRUE(engine->reconcileWithLibrary().deleted.empty());
    expectNothingTakenForDeleted();
    remount(pictures);
    const auto back = engine->reconcileWithLibrary();
    EXPECT_TRUE(back.added.empty());
    EXPECT_TRUE(back.deleted.empty());
    expectNothingTakenForDeleted();
}

// A card mounted by hand in no filesystem table: its photographs vanish with the mount, also
// for a later launch whose catalogue cache was cleared meanwhile.
TEST_F(UnavailableStorage, AnUnmountedCardLosesNothingAlsoAfterARestart) {
    const auto card = pictures / "Card";
    std::filesystem::rename(card, root / "card-contents");
    foldertest::PrivateMounts mounts;
    if (!mounts.tmpfs(card, 0755)) GTEST_SKIP() << "cannot mount a tmpfs here";
    std::filesystem::copy(root / "card-contents", card, std::filesystem::copy_options::recursive);
    EXPECT_TRUE(engine->reconcileWithLibrary().deleted.empty());
    // The copies are newer files: the hand decision is made again on them.
    engine->override("Card/DCIM/IMG_3.jpg", true);
    engine->flush();
    mounts.unmountAll();
    EXPECT_TRUE(engine->reconcileWithLibrary().deleted.empty());
    expectNothingTakenForDeleted();
    restartWithoutCatalogueCache();
    EXPECT_TRUE(engine->reconcileWithLibrary().deleted.empty());
    expectNothingTakenForDeleted();
}

// What plainly is a deletion stays one: a folder removed with its photographs, and a few
// photographs removed from a folder.
TEST_F(UnavailableStorage, DeletedPhotographsAreStillDeleted) {
    std::filesystem::remove(pictures / "Card/DCIM/IMG_0.jpg");
    std::filesystem::remove(pictures / "Card/DCIM/IMG_1.jpg");
    EXPECT_EQ(engine->reconcileWithLibrary().deleted.size(), 2u);
    std::filesystem::remove_all(pictures / "Card");
    restartWithoutCatalogueCache();
    engine->reconcileWithLibrary();
    const auto index = engine->index();
    EXPECT_EQ(
        std::count_if(index.entries.begin(), index.entries.end(),
                      [](const auto& entry) { return entry.second.state == ReviewState::deleted; }),
        12);
    EXPECT_EQ(index.entries.at("beach.jpg").state, ReviewState::flaggedByHand);
}

// However many photographs the user deletes from a folder that stays, they are deleted.
TEST_F(UnavailableStorage, AFolderEmptiedByHandIsDeletedHoweverManyItHeld) {
    for (int i = 0; i < 12; ++i)
        std::filesystem::remove(pictures / ("Card/DCIM/IMG_" + std::to_string(i) + ".jpg"));
    EXPECT_EQ(engine->reconcileWithLibrary().deleted.size(), 12u);
    EXPECT_EQ(engine->index().entries.at("Card/DCIM/IMG_3.jpg").state, ReviewState::deleted);
}

// Photographs not yet measured on a card that goes away wait for it, as a whole library that
// went away does: none is taken for unreadable, whether the card left before the listing
// that misses it or after, and all are measured once it is back.
TEST_F(UnavailableStorage, PhotographsOfACardThatWentAwayAreMeasuredOnceItIsBack) {
    const auto card = pictures / "Card";
    std::filesystem::rename(card, root / "card-contents");
    foldertest::PrivateMounts mounts;
    if (!mounts.bind(root / "card-contents", card)) GTEST_SKIP() << "cannot mount here";
    engine->reconcileWithLibrary();
    WorkConditions conditions;
    conditions.power = WorkConditions::Power::mains;
    const auto analyseAll = [&] {
        for (int steps = 0; steps < 50 && engine->analyseNext(conditions);)
            ++steps;
        EXPECT_FALSE(engine->analyseNext(conditions));
    };
    const auto expectCard = [&](bool measured) {
        const auto index = engine->index();
        for (int i = 0; i < 12; ++i) {
            const auto& entry = index.entries.at("Card/DCIM/IMG_" + std::to_string(i) + ".jpg");
            EXPECT_FALSE(entry.skip) << i;
            EXPECT_EQ(entry.signals.has_value(), measured) << i;
        }
    };
    mounts.unmountAll();
    analyseAll();
    expectCard(false);
    EXPECT_TRUE(engine->index().entries.at("beach.jpg").signals);
    engine->reconcileWithLibrary();
    analyseAll();
    expectCard(false);

    ASSERT_TRUE(mounts.bind(root / "card-contents", card));
    engine->reconcileWithLibrary();
    analyseAll();
    expectCard(true);
}

} // namespace
} // namespace keepsift
