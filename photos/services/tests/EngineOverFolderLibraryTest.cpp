#include <algorithm>
#include <fstream>

#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/library/tests/PermissionsBind.hpp"

namespace keepsift {
namespace {

const std::vector<std::string> burst = {"burst-1.jpg", "burst-2.jpg", "burst-3.jpg"};
const std::vector<std::string> unrelated = {"beach.jpg", "Garden/roses.jpg"};

// The engine with the live services on a picture folder: a burst of three near-identical
// shots two seconds apart and two unrelated pictures taken months away.
class EngineOverFolderLibrary : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int frame = 0; frame < 3; ++frame)
            writeJpeg(burst[static_cast<size_t>(frame)], burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        writeJpeg(unrelated[0], scene(11), "2024:03:10 08:00:00");
        writeJpeg(unrelated[1], scene(23), "2024:07:22 18:30:00");
        startServices();
        startEngine();
    }

    // An engine from what the storage holds.
    void startEngine() {
        engine = std::make_unique<ScanEngine>(services.library, services.extractor, storage,
                                              std::make_shared<SystemClock>());
    }

    // Scans the folder as the application's first pass does.
    void scanAll() {
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
        EXPECT_EQ(engine->refreshStorageMode(), LibraryStorage::local);
        EXPECT_EQ(engine->reconcileWithLibrary().added.size(), 5u);
        EXPECT_EQ(analyseAll(), 5);
        EXPECT_TRUE(engine->hasCompletedFirstPass());
        decisions = engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
    }

    // The kind of the group a photograph was decided in.
    std::optional<PhotoGroup::Kind> kindOf(const std::string& id) const {
        for (const auto& group : decisions)
            for (const auto& decision : group.decisions)
                if (decision.digest == id) return group.kind;
        return std::nullopt;
    }

    std::vector<GroupDecision> decisions;
};

TEST_F(EngineOverFolderLibrary, GroupsTheBurstAndFlagsAllButOneIntoTheRejectsFolder) {
    scanAll();
    const auto index = engine->index();
    std::set<std::string> groups;
    int keepers = 0;
    for (const auto& id : burst) {
        const auto& entry = index.entries.at(id);
        ASSERT_TRUE(entry.signals) << id;
        ASSERT_TRUE(entry.groupID) << id;
        groups.insert(*entry.groupID);
        keepers += entry.state == ReviewState::keeper;
        EXPECT_TRUE(entry.state == ReviewState::keeper || entry.state == ReviewState::flagged);
    }
    EXPECT_EQ(groups.size(), 1u);
    EXPECT_EQ(keepers, 1);
    // A pixel or two of shift and sensor noise leave every frame a near-identical partner.
    EXPECT_EQ(kindOf(burst[0]), PhotoGroup::Kind::identical);
    for (const auto& id : unrelated) {
        const auto& entry = index.entries.at(id);
        EXPECT_EQ(entry.state, ReviewState::keeper) << id;
        EXPECT_EQ(kindOf(id), PhotoGroup::Kind::solitary) << id;
        if (entry.groupID) {
            EXPECT_FALSE(groups.count(*entry.groupID)) << id;
        }
    }

    const auto flagged = idsIn(ReviewState::flagged);
    ASSERT_EQ(flagged.size(), 2u);
    std::vector<std::string> linked;
    for (const auto& link : std::filesystem::directory_iterator(album())) {
        ASSERT_TRUE(link.is_symlink()) << link.path();
        EXPECT_TRUE(std::filesystem::read_symlink(link.path()).is_relative());
        EXPECT_EQ(std::filesystem::canonical(link.path()),
                  std::filesystem::canonical(pictures / link.path().filename()));
        linked.push_back(link.path().filename().string());
    }
    std::sort(linked.begin(), linked.end());
    EXPECT_EQ(linked, flagged);
    EXPECT_FALSE(engine->albumNeedsSync());
}

TEST_F(EngineOverFolderLibrary, ConfirmedBatchGoesToTheTrashAndLeavesTheAlbum) {
    scanAll();
    const auto flagged = idsIn(ReviewState::flagged);
    ASSERT_EQ(flagged.size(), 2u);
    EXPECT_EQ(engine->deleteBatch(std::nullopt, 2).deletedCount(), 2);
    EXPECT_EQ(dialogs->confirmed, flagged);

    const auto trash = root / "XDG_DATA_HOME" / "Trash";
    for (const auto& id : flagged) {
        EXPECT_FALSE(std::filesystem::exists(pictures / id)) << id;
        EXPECT_TRUE(std::filesystem::is_regular_file(trash / "files" / id)) << id;
        EXPECT_TRUE(std::filesystem::is_regular_file(trash / "info" / (id + ".trashinfo"))) << id;
        EXPECT_FALSE(std::filesystem::is_symlink(album() / id)) << id;
    }
    EXPECT_EQ(idsIn(ReviewState::deleted), flagged);
    for (const auto& id : unrelated)
        EXPECT_TRUE(std::filesystem::exists(pictures / id)) << id;
    EXPECT_EQ(idsIn(ReviewState::keeper).size(), 3u);
}

// An unmounted drive leaves an empty mount point: the library is unavailable, not deleted.
TEST_F(EngineOverFolderLibrary, AnUnmountedLibraryKeepsEveryDecision) {
    scanAll();
    const auto flagged = idsIn(ReviewState::flagged);
    ASSERT_EQ(flagged.size(), 2u);
    engine->override(flagged[0], true);
    std::filesystem::rename(pictures, root / "unmounted");
    std::filesystem::create_directory(pictures);
    // Its access reads as restricted, so the engine does not even ask for a listing.
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(engine->snapshot().authorization, LibraryAuthorization::restricted);
    EXPECT_TRUE(idsIn(ReviewState::deleted).empty());
    std::filesystem::remove(pictures);
    std::filesystem::rename(root / "unmounted", pictures);
    const auto again = engine->reconcileWithLibrary();
    EXPECT_TRUE(again.added.empty());
    EXPECT_TRUE(again.deleted.empty());
    EXPECT_EQ(engine->index().entries.at(flagged[0]).state, ReviewState::keptByHand);
    EXPECT_EQ(engine->index().entries.at(flagged[1]).state, ReviewState::flagged);
}

// A library folder that cannot be written: the decision by hand is on disk at once, and the
// album follows at the first synchronisation once the folder can be written again.
TEST_F(EngineOverFolderLibrary, AnAlbumThatCannotBeWrittenHoldsBackNoDecision) {
    scanAll();
    const auto keepers = idsIn(ReviewState::keeper);
    const auto keeper = *std::find_if(keepers.begin(), keepers.end(), [](const auto& id) {
        return std::find(burst.begin(), burst.end(), id) != burst.end();
    });
    using std::filesystem::perms;
    std::filesystem::permissions(album(),
                                 perms::owner_write | perms::group_write | perms::others_write,
                                 std::filesystem::perm_options::remove);
    {
        foldertest::PermissionsBind bound;
        EXPECT_ANY_THROW(engine->override(keeper, false));
    }
    const auto saved = LibraryIndex::decode(*storage->read(std::string(ScanEngine::indexFileName)));
    EXPECT_EQ(saved.entry(keeper)->state, ReviewState::flaggedByHand);
    EXPECT_FALSE(std::filesystem::is_symlink(album() / keeper));

    std::filesystem::permissions(album(), perms::owner_write, std::filesystem::perm_options::add);
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_TRUE(std::filesystem::is_symlink(album() / keeper));
    EXPECT_FALSE(engine->albumNeedsSync());
}

// Another frame of the burst, copied alike: the same name, size, times and pixel size as the
// frame, one byte of its picture otherwise.
std::filesystem::path copyAlike(const std::filesystem::path& frame,
                                const std::filesystem::path& to) {
    std::vector<char> bytes(std::filesystem::file_size(frame));
    std::ifstream(frame, std::ios::binary)
        .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    auto& changed = bytes[bytes.size() - 64];
    changed = static_cast<char>(changed == 0x10 ? 0x11 : 0x10);
    std::filesystem::create_directories(to.parent_path());
    std::ofstream(to, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::filesystem::last_write_time(to, std::filesystem::last_write_time(frame));
    return to;
}

// A frame flagged by hand moves to another folder and keeps its flag; one kept by hand leaves,
// and a look-alike of it arriving under its name elsewhere starts afresh.
TEST_F(EngineOverFolderLibrary, OnlyTheSameFileKeepsAReviewWhenItMoves) {
    scanAll();
    engine->override(burst[0], true);
    engine->override(burst[1], false);
    const auto sizeOf = [&](const std::string& id) {
        return engine->index().entries.at(id).asset.fileSize;
    };
    EXPECT_EQ(sizeOf(burst[1]),
              static_cast<std::int64_t>(std::filesystem::file_size(pictures / burst[1])));
    std::filesystem::create_directories(pictures / "Moved");
    std::filesystem::rename(pictures / burst[0], pictures / "Moved" / burst[0]);
    copyAlike(pictures / burst[1], pictures / "Elsewhere" / burst[1]);
    std::filesystem::rename(pictures / burst[1], root / burst[1]);

    const auto result = engine->reconcileWithLibrary();
    EXPECT_EQ(result.added, std::vector<std::string>{"Elsewhere/" + burst[1]});
    EXPECT_EQ(result.deleted, std::vector<std::string>{burst[1]});
    analyseAll();
    engine->regroup();
    const auto index = engine->index();
    EXPECT_EQ(index.entries.at("Moved/" + burst[0]).state, ReviewState::keptByHand);
    const auto& lookalike = index.entries.at("Elsewhere/" + burst[1]);
    EXPECT_EQ(lookalike.asset.fileSize, sizeOf(burst[1]));
    EXPECT_TRUE(lookalike.signals || lookalike.skip);
    EXPECT_FALSE(isSetByHand(lookalike.state));
    EXPECT_EQ(index.entries.at(burst[1]).formerState, ReviewState::flaggedByHand);
}

TEST_F(EngineOverFolderLibrary, APartlyFailedBatchRecordsWhatReachedTheTrash) {
    scanAll();
    const auto flagged = idsIn(ReviewState::flagged);
    ASSERT_EQ(flagged.size(), 2u);
    // The second is overwritten with another picture after it was reviewed.
    auto other = writeJpeg("other.jpg", scene(99), "2024:05:01 10:00:02");
    std::filesystem::rename(other, pictures / flagged[1]);
    const auto report = engine->deleteBatch(std::nullopt, 2);
    EXPECT_EQ(report.deleted, std::vector<std::string>{flagged[0]});
    EXPECT_EQ(report.kept,
              (std::vector<KeptPhoto>{{flagged[1], KeptReason::changedSinceReviewed}}));
    EXPECT_EQ(idsIn(ReviewState::deleted), std::vector<std::string>{flagged[0]});
    EXPECT_FALSE(std::filesystem::exists(pictures / flagged[0]));
    EXPECT_TRUE(std::filesystem::exists(pictures / flagged[1]));
    const auto again = engine->reconcileWithLibrary();
    EXPECT_TRUE(again.deleted.empty());
    EXPECT_EQ(engine->index().entries.at(flagged[0]).state, ReviewState::deleted);
}

// The burst reviewed in Trip01: one frame kept and one flagged by hand, against the engine.
struct ReviewedTrip : EngineOverFolderLibrary {
    std::string kept, flagged;

    void SetUp() override {
        EngineOverFolderLibrary::SetUp();
        std::filesystem::create_directory(pictures / "Trip01");
        for (const auto& id : burst)
            std::filesystem::rename(pictures / id, pictures / "Trip01" / id);
        scanAll();
        for (const auto& id : burst) {
            const auto state = engine->index().entries.at("Trip01/" + id).state;
            if (state == ReviewState::flagged && kept.empty()) kept = id;
            if (state == ReviewState::keeper) flagged = id;
        }
        ASSERT_FALSE(kept.empty() || flagged.empty());
        engine->override("Trip01/" + kept, true);
        engine->override("Trip01/" + flagged, false);
    }

    // Renaming the folder keeps the user's decisions, and the rejects folder follows the
    // flagged photograph to its new place.
    void expectARenameKeepsTheDecisions() {
        std::filesystem::rename(pictures / "Trip01", pictures / "Trip01 (2024)");
        const auto result = engine->reconcileWithLibrary();
        EXPECT_TRUE(result.added.empty());
        EXPECT_TRUE(result.deleted.empty());
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();

        const auto index = engine->index();
        EXPECT_EQ(index.entries.at("Trip01 (2024)/" + kept).state, ReviewState::keptByHand);
        EXPECT_EQ(index.entries.at("Trip01 (2024)/" + flagged).state, ReviewState::flaggedByHand);
        std::vector<std::string> linked, wanted;
        for (const auto& link : std::filesystem::directory_iterator(album())) {
            ASSERT_TRUE(std::filesystem::exists(link.path())) << link.path() << " leads nowhere";
            linked.push_back(std::filesystem::relative(std::filesystem::canonical(link.path()),
                                                       std::filesystem::canonical(pictures))
                                 .string());
        }
        for (const auto& entry : index.flaggedEntries())
            wanted.push_back(entry.asset.id);
        std::sort(linked.begin(), linked.end());
        EXPECT_EQ(linked, wanted);
        for (const auto& entry : engine->journal().entries())
            EXPECT_TRUE(entry.event != ReviewJournal::Event::deletedElsewhere &&
                        entry.event != ReviewJournal::Event::unflaggedElsewhere)
                << entry.assetID;
    }
};

TEST_F(ReviewedTrip, ARenamedFolderKeepsTheDecisionsMadeByHand) {
    expectARenameKeepsTheDecisions();
}

// The review as an earlier build saved it (no digests, no file sizes) follows the folder once
// idle steps have read the digests of the files as they are on disk.
TEST_F(ReviewedTrip, ARenamedFolderKeepsTheDecisionsOfAnEarlierBuildOnceIdle) {
    engine->updateIndex([](LibraryIndex& index) {
        for (auto& [id, entry] : index.entries) {
            entry.contentDigest.reset();
            entry.asset.fileSize = 0;
        }
    });
    ASSERT_TRUE(engine->save());
    startEngine();
    ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    EXPECT_TRUE(engine->reconcileWithLibrary().added.empty());
    WorkConditions idle;
    idle.power = WorkConditions::Power::mains;
    for (int step = 0; step < 10; ++step)
        engine->fillContentDigests(idle);
    for (const auto& id : {kept, flagged})
        EXPECT_TRUE(engine->index().entries.at("Trip01/" + id).contentDigest) << id;
    expectARenameKeepsTheDecisions();
}

} // namespace
} // namespace keepsift
