#include <algorithm>
#include <functional>
#include <future>

#include "EngineRig.hpp"

namespace keepsift {
namespace {

using namespace testing;
using Event = ReviewJournal::Event;

// Three shots of one moment in a trip folder and a photograph elsewhere; the same shots
// are also known at the places the folder is renamed or moved to, so that they can be
// measured there.
const std::vector<std::string> places = {"Trip01", "Trip01 (2024)", "Elsewhere/Trip01"};

std::vector<Shot> shotsEverywhere() {
    std::vector<Shot> shots;
    for (const auto& place : places)
        for (const Shot& shot :
             {Shot{"a", 0, 0, 0.9f}, Shot{"b", 5, 0, 0.3f}, Shot{"c", 10, 0, 0.2f}})
            shots.push_back({place + "/" + shot.id, shot.at, shot.moment, shot.sharpness});
    shots.push_back({"Other/s", 9000, 1, 0.5f});
    // A frame of the same burst, taken in the same second as a.
    shots.push_back({"Trip01/d", 0, 0, 0.5f});
    return shots;
}

// The trip's photographs in one place, named as files are: by their own name only.
std::vector<LibraryAsset> tripAt(const std::string& place, bool inAlbum) {
    std::vector<LibraryAsset> assets;
    for (const auto& [name, at] : {std::pair{"a", 0.0}, {"b", 5.0}, {"c", 10.0}}) {
        LibraryAsset asset = assetOf({place + "/" + name, at, 0});
        asset.filename = std::string(name) + ".jpg";
        asset.isRejected = inAlbum;
        assets.push_back(asset);
    }
    return assets;
}

std::vector<std::string> idsOf(const std::vector<LibraryAsset>& assets) {
    std::vector<std::string> ids;
    for (const auto& asset : assets)
        ids.push_back(asset.id);
    return ids;
}

// The library as the engine reads it: the bytes it read, in order, storage that is away, and
// what befalls a file while it is read.
struct ReadingLibrary : ScriptedLibrary {
    using ScriptedLibrary::ScriptedLibrary;
    std::vector<std::string> reads;
    std::set<std::string> away;
    std::function<void(const std::string&)> whileReading, afterReading;

    std::optional<std::string> contentDigest(const std::string& id) override {
        reads.push_back(id);
        if (whileReading) whileReading(id);
        auto digest = ScriptedLibrary::contentDigest(id);
        if (afterReading) afterReading(id);
        return digest;
    }
    std::vector<std::string> unavailable(const std::vector<std::string>& missing) override {
        std::vector<std::string> gone;
        std::ranges::copy_if(missing, std::back_inserter(gone),
                             [&](const std::string& id) { return away.contains(id); });
        return gone;
    }
};

struct ReturningPhotographs : ::testing::Test {
    EngineRig<ReadingLibrary> rig{shotsEverywhere()};
    std::vector<std::string> readAtStart;

    // The trip's files hold their own bytes wherever they are.
    void addTrip(const std::string& place, bool inAlbum) {
        const auto trip = tripAt(place, inAlbum);
        for (const auto& asset : trip)
            rig.library->setContent(asset.id, "bytes of " + asset.filename);
        rig.library->add(trip);
    }

    // A frame of a's burst with a's times, size and pixel size arrives, under `id`.
    void lookalikeOfAArrives(const std::string& id) {
        LibraryAsset lookalike = tripAt("Trip01", false).front();
        lookalike.id = id;
        lookalike.filename = id.substr(id.rfind('/') + 1) + ".jpg";
        rig.library->setContent(id, "bytes of a neighbour of a.jpg");
        rig.library->add({lookalike});
    }

    // The library holds the trip in Trip01 and the other photograph; a, sharpest, would be
    // kept and b and c flagged, but the user flags a and keeps b by hand.
    void SetUp() override {
        auto all = rig.library->assets();
        std::vector<std::string> ids = idsOf(all);
        std::erase(ids, "Other/s");
        rig.library->remove(ids);
        addTrip("Trip01", false);
        rig.scanAll();
        rig.engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(rig.state("Trip01/a"), ReviewState::keeper);
        rig.engine->override("Trip01/a", false);
        rig.engine->override("Trip01/b", true);
        ASSERT_EQ(rig.library->rejectedIDs(), (std::set<std::string>{"Trip01/a", "Trip01/c"}));
    }

    // What the live library reports after a folder moved: a fresh listing, then the album
    // links that no longer lead anywhere.
    void refresh(const std::vector<std::string>& albumLost = {}) {
        rig.engine->reconcileWithLibrary();
        if (!albumLost.empty())
            rig.engine->handleLibraryChange(change::RejectsAlbumChanged{{}, albumLost});
        rig.analyseAll();
        rig.engine->regroup();
        rig.engine->syncRejectsAlbumIfNeeded();
    }

    void move(const std::string& from, const std::string& to, bool inAlbum) {
        rig.library->remove(idsOf(tripAt(from, false)));
        addTrip(to, inAlbum);
    }

    // The folder is moved out of the library; the album links to it lead nowhere.
    void goAway() {
        rig.library->remove(idsOf(tripAt("Trip01", false)));
        refresh({"Trip01/a", "Trip01/c"});
        ASSERT_EQ(rig.state("Trip01/a"), ReviewState::deleted);
        rig.engine->flush();
    }

    void saveWithoutDigests() {
        rig.engine->updateIndex([](LibraryIndex& index) {
            for (auto& [id, entry] : index.entries)
                entry.contentDigest.reset();
        });
        ASSERT_TRUE(rig.engine->save());
        rig.library->reads.clear();
    }

    // A start from the index as an earlier build wrote it: measured, reviewed, no digests.
    // What the start read is kept apart from what the fill reads afterwards.
    void startFromIndexWithoutDigests() {
        saveWithoutDigests();
        rig.start();
        rig.engine->reconcileWithLibrary();
        readAtStart = std::exchange(rig.library->reads, {});
    }

    // Idle pump steps, more than enough to read every digest.
    void fillWhileIdle(const WorkConditions& conditions = runnable()) {
        for (int step = 0; step < 10; ++step)
            rig.engine->fillContentDigests(conditions);
    }

    std::int64_t readsOf(const std::string& id) const {
        return std::ranges::count(rig.library->reads, id);
    }

    void expectNoDeletionElsewhereSaved() {
        for (const auto& entry : rig.savedJournal().entries())
            EXPECT_NE(entry.event, Event::deletedElsewhere) << entry.assetID;
    }

    void expectDecisionsKeptAt(const std::string& place) {
        EXPECT_EQ(rig.state(place + "/a"), ReviewState::flaggedByHand) << place;
        EXPECT_EQ(rig.state(place + "/b"), ReviewState::keptByHand) << place;
        EXPECT_EQ(rig.state(place + "/c"), ReviewState::flagged) << place;
        for (auto event : events(rig.engine->journal()))
            EXPECT_TRUE(event != Event::deletedElsewhere && event != Event::unflaggedElsewhere)
                << toString(event);
        // The album holds exactly the flagged photographs, at their new places.
        std::set<std::string> flagged;
        for (const auto& entry : rig.engine->index().flaggedEntries())
            flagged.insert(entry.asset.id);
        EXPECT_EQ(flagged, (std::set<std::string>{place + "/a", place + "/c"}));
        EXPECT_EQ(rig.library->rejectedIDs(), flagged);
        EXPECT_FALSE(rig.engine->albumNeedsSync());
        // And the next "delete all" would take only those.
        EXPECT_EQ(rig.engine->deleteBatch(std::nullopt, 2).deletedCount(), 2);
        EXPECT_EQ(rig.library->deleteCalls().back(),
                  (std::vector<std::string>{place + "/a", place + "/c"}));
    }
};

TEST_F(ReturningPhotographs, ARenamedFolderKeepsEveryDecision) {
    move("Trip01", "Trip01 (2024)", false);
    refresh({"Trip01/a", "Trip01/c"});
    EXPECT_TRUE(rig.entry("Trip01 (2024)/a").signals.has_value());
    // The library reports the engine's own links at the new place: no decision of the user's.
    rig.engine->handleLibraryChange(
        change::RejectsAlbumChanged{{"Trip01 (2024)/a", "Trip01 (2024)/c"}, {}});
    EXPECT_FALSE(rig.engine->ownWrites().contains("Trip01 (2024)/a"));
    expectDecisionsKeptAt("Trip01 (2024)");
}

TEST_F(ReturningPhotographs, AFolderMovedIntoAnotherKeepsEveryDecision) {
    move("Trip01", "Elsewhere/Trip01", false);
    refresh({"Trip01/a", "Trip01/c"});
    expectDecisionsKeptAt("Elsewhere/Trip01");
}

TEST_F(ReturningPhotographs, AFolderMovedOutAndBackKeepsEveryDecision) {
    goAway();
    addTrip("Trip01", true);
    refresh();
    expectDecisionsKeptAt("Trip01");
}

TEST_F(ReturningPhotographs, AFolderMovedOutAndBackAcrossARestartKeepsEveryDecision) {
    goAway();
    rig.start();
    addTrip("Trip01", false);
    refresh();
    expectDecisionsKeptAt("Trip01");
    expectNoDeletionElsewhereSaved();
}

TEST_F(ReturningPhotographs, AFolderMovedOutAndBackElsewhereAcrossARestartKeepsEveryDecision) {
    goAway();
    rig.start();
    addTrip("Trip01 (2024)", false);
    refresh();
    expectDecisionsKeptAt("Trip01 (2024)");
    expectNoDeletionElsewhereSaved();
}

// A look-alike never takes over a's hand flag: it is measured and decided afresh, a's decision
// stays with a's own bytes, and "delete all" takes exactly what the window counts.
TEST_F(ReturningPhotographs, ALookalikeArrivingAsALeavesStartsAfresh) {
    struct Case {
        std::string lookalike;
        bool later, restart;
    };
    for (const Case& c : {Case{"Trip01/d", false, false}, Case{"Trip01 (2024)/a", false, false},
                          Case{"Trip01/a", true, false}, Case{"Elsewhere/Trip01/a", true, true}}) {
        rig = EngineRig<ReadingLibrary>{shotsEverywhere()};
        SetUp();
        rig.library->remove({"Trip01/a"});
        if (c.later) refresh({"Trip01/a"});
        if (c.restart) {
            rig.engine->flush();
            rig.start();
        }
        lookalikeOfAArrives(c.lookalike);
        refresh(c.later ? std::vector<std::string>{} : std::vector<std::string>{"Trip01/a"});
        const IndexEntry arrived = rig.entry(c.lookalike);
        EXPECT_TRUE(arrived.signals.has_value()) << c.lookalike;
        EXPECT_FALSE(isSetByHand(arrived.state)) << c.lookalike;
        EXPECT_EQ(arrived.contentDigest, "bytes of a neighbour of a.jpg");
        if (c.lookalike != "Trip01/a") {
            const auto left = rig.engine->index().entry("Trip01/a");
            EXPECT_TRUE(left && left->formerState == ReviewState::flaggedByHand) << c.lookalike;
        }
        EXPECT_EQ(rig.state("Trip01/b"), ReviewState::keptByHand);
        rig.engine->flush();
        rig.start();
        rig.engine->reconcileWithLibrary();
        const auto shown = rig.engine->snapshot().review.flaggedCount;
        EXPECT_NO_THROW(rig.engine->deleteBatch(std::nullopt, shown)) << c.lookalike;
    }
}

// a, flagged by hand, is left alone in its group when the rest of it goes: the window no longer
// shows it, so "delete all" does not take it either, before a restart or after.
TEST_F(ReturningPhotographs, DeleteAllTakesWhatTheWindowCounts) {
    rig.library->remove({"Trip01/b", "Trip01/c"});
    refresh({"Trip01/c"});
    for (bool restart : {false, true}) {
        if (restart) {
            rig.engine->flush();
            rig.start();
            rig.engine->reconcileWithLibrary();
        }
        EXPECT_EQ(rig.state("Trip01/a"), ReviewState::flaggedByHand);
        EXPECT_EQ(rig.engine->snapshot().review.flaggedCount, 0);
        EXPECT_NO_THROW(EXPECT_TRUE(rig.engine->deleteBatch(std::nullopt, 0).deleted.empty()));
    }
}

// Reviews made before digests were kept follow a renamed folder once the idle steps have read
// them; the start reads those of decisions by hand itself. A look-alike still starts afresh.
TEST_F(ReturningPhotographs, AReviewFromBeforeDigestsFollowsItsFolderOnceFilled) {
    startFromIndexWithoutDigests();
    EXPECT_EQ(readAtStart, (std::vector<std::string>{"Trip01/a", "Trip01/b"}));
    fillWhileIdle();
    EXPECT_EQ(readsOf("Trip01/a") + readsOf("Trip01/b"), 0);
    EXPECT_EQ(readsOf("Trip01/c"), 1);
    // Other/s has no bytes to read: tried once in this run.
    EXPECT_EQ(readsOf("Other/s"), 1);
    rig.engine->flush();
    for (const std::string name : {"a", "b", "c"})
        EXPECT_EQ(rig.savedIndex().entry("Trip01/" + name)->contentDigest,
                  "bytes of " + name + ".jpg");

    move("Trip01", "Trip01 (2024)", false);
    refresh({"Trip01/a", "Trip01/c"});
    expectDecisionsKeptAt("Trip01 (2024)");
}

// The folder is renamed while the start reads the files of decisions by hand, right after a's
// bytes were read, and the change is reported at once: its listing waits for the reading, so
// a's hand flag follows; b, renamed before it could be read, follows measured again.
TEST_F(ReturningPhotographs, AListingWantedWhileTheStartReadsWaitsForIt) {
    saveWithoutDigests();
    std::future<bool> refreshed;
    rig.library->afterReading = [&](const std::string& id) {
        if (id != "Trip01/a" || refreshed.valid()) return;
        move("Trip01", "Trip01 (2024)", false);
        refreshed = std::async(std::launch::async, [&] {
            return rig.engine->handleLibraryChange(change::NeedsRefresh{});
        });
        EXPECT_EQ(refreshed.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
            << "a listing was applied while the start read";
    };
    rig.start();
    rig.engine->reconcileWithLibrary();
    ASSERT_TRUE(refreshed.valid());
    refreshed.get();
    EXPECT_EQ(rig.state("Trip01 (2024)/a"), ReviewState::flaggedByHand);
    EXPECT_EQ(rig.engine->index().entry("Trip01/a"), std::nullopt);
    EXPECT_EQ(rig.state("Trip01 (2024)/b"), ReviewState::keptByHand);
    EXPECT_EQ(rig.engine->index().entry("Trip01/b"), std::nullopt);
}

TEST_F(ReturningPhotographs, AFilledPhotographsLookalikeStillStartsAfresh) {
    startFromIndexWithoutDigests();
    fillWhileIdle();
    rig.library->remove({"Trip01/a"});
    lookalikeOfAArrives("Trip01/d");
    refresh({"Trip01/a"});
    EXPECT_FALSE(isSetByHand(rig.state("Trip01/d")));
    EXPECT_TRUE(rig.entry("Trip01/d").signals.has_value());
    EXPECT_EQ(rig.engine->index().entry("Trip01/a")->formerState, ReviewState::flaggedByHand);
}

// Nothing is read while a photograph awaits measuring or work is paused, nor from storage that
// is away, until it is back.
TEST_F(ReturningPhotographs, DigestsAreReadOnlyWhenIdleAndFromStorageThatIsThere) {
    startFromIndexWithoutDigests();
    rig.library->away = {"Trip01/c"};
    LibraryAsset arrived = assetOf({"Trip01/d", 0, 0});
    rig.library->setContent(arrived.id, "bytes of d.jpg");
    rig.library->add({arrived});
    rig.engine->reconcileWithLibrary();
    fillWhileIdle();
    EXPECT_TRUE(rig.library->reads.empty());

    rig.analyseAll();
    rig.engine->regroup();
    rig.library->reads.clear();
    WorkConditions paused = runnable();
    paused.isPaused = true;
    fillWhileIdle(paused);
    EXPECT_TRUE(rig.library->reads.empty());

    fillWhileIdle();
    EXPECT_EQ(rig.library->reads, std::vector<std::string>{"Other/s"});
    EXPECT_FALSE(rig.entry("Trip01/c").contentDigest.has_value());

    rig.library->away.clear();
    rig.engine->handleLibraryChange(change::NeedsRefresh{});
    fillWhileIdle();
    EXPECT_EQ(rig.entry("Trip01/c").contentDigest, "bytes of c.jpg");
}

// Bytes of a file changed since it was measured are never stored with the old measurement:
// neither when the change is seen while they are read nor when the listing already tells a
// new size in the same second, which makes it a file measured afresh.
TEST_F(ReturningPhotographs, AChangedFileGetsNoDigestForItsOldMeasurement) {
    startFromIndexWithoutDigests();
    LibraryAsset grown = tripAt("Trip01", false)[1];
    grown.fileSize = 2000;
    rig.library->add({grown});
    rig.library->setContent(grown.id, "grown bytes of b.jpg");
    EXPECT_EQ(rig.engine->reconcileWithLibrary().needingFreshSignals,
              std::vector<std::string>{"Trip01/b"});
    EXPECT_FALSE(rig.entry("Trip01/b").signals.has_value());
    rig.analyseAll();
    EXPECT_EQ(rig.entry("Trip01/b").contentDigest, "grown bytes of b.jpg");
    bool edited = false;
    rig.library->whileReading = [&](const std::string& id) {
        if (id != "Trip01/c" || std::exchange(edited, true)) return;
        LibraryAsset changed = tripAt("Trip01", false)[2];
        changed.modifiedAt = Date{changed.modifiedAt->seconds + 60};
        rig.library->setContent(id, "edited bytes of c.jpg");
        rig.library->add({changed});
        rig.engine->handleLibraryChange(change::AssetsChanged{{changed}});
    };
    fillWhileIdle();
    EXPECT_TRUE(edited);
    EXPECT_FALSE(rig.entry("Trip01/c").contentDigest.has_value());
    // Measured again, the edited file keeps the digest of the bytes measured.
    rig.analyseAll();
    EXPECT_EQ(rig.entry("Trip01/c").contentDigest, "edited bytes of c.jpg");
}

} // namespace
} // namespace keepsift
