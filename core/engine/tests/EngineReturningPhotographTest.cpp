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

struct ReturningPhotographs : ::testing::Test {
    EngineRig<> rig{shotsEverywhere()};

    // The library holds the trip in Trip01 and the other photograph; a, sharpest, would be
    // kept and b and c flagged, but the user flags a and keeps b by hand.
    void SetUp() override {
        auto all = rig.library->assets();
        std::vector<std::string> ids = idsOf(all);
        std::erase(ids, "Other/s");
        rig.library->remove(ids);
        rig.library->add(tripAt("Trip01", false));
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
        rig.library->add(tripAt(to, inAlbum));
    }

    // The folder is moved out of the library; the album links to it lead nowhere.
    void goAway() {
        rig.library->remove(idsOf(tripAt("Trip01", false)));
        refresh({"Trip01/a", "Trip01/c"});
        ASSERT_EQ(rig.state("Trip01/a"), ReviewState::deleted);
        rig.engine->flush();
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
    rig.library->add(tripAt("Trip01", true));
    refresh();
    expectDecisionsKeptAt("Trip01");
}

TEST_F(ReturningPhotographs, AFolderMovedOutAndBackAcrossARestartKeepsEveryDecision) {
    goAway();
    rig.start();
    rig.library->add(tripAt("Trip01", false));
    refresh();
    expectDecisionsKeptAt("Trip01");
    expectNoDeletionElsewhereSaved();
}

TEST_F(ReturningPhotographs, AFolderMovedOutAndBackElsewhereAcrossARestartKeepsEveryDecision) {
    goAway();
    rig.start();
    rig.library->add(tripAt("Trip01 (2024)", false));
    refresh();
    expectDecisionsKeptAt("Trip01 (2024)");
    expectNoDeletionElsewhereSaved();
}

} // namespace
} // namespace keepsift
