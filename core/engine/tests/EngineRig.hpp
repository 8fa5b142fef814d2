#pragma once

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "core/engine/ScanEngine.hpp"
#include "core/scripted/FixtureSignalSource.hpp"
#include "core/scripted/ScriptedLibrary.hpp"
#include "core/storage/MemoryFileStorage.hpp"

namespace keepsift::testing {

// One photograph of a test library: shots of one moment share a print direction.
struct Shot {
    std::string id;
    double at;  // seconds after the rig's start
    int moment; // shots of one moment group together
    float sharpness = 0.5f;
};

inline constexpr double rigStart = 800000000; // 2026-05-08, whole seconds

inline LibraryAsset assetOf(const Shot& shot) {
    LibraryAsset asset;
    asset.id = shot.id;
    asset.filename = shot.id + ".jpg";
    asset.createdAt = Date{rigStart + shot.at};
    asset.modifiedAt = asset.createdAt;
    asset.pixelWidth = 4000;
    asset.pixelHeight = 3000;
    asset.fileSize = 1000;
    return asset;
}

// Prints of one moment lie about 0.3 apart, prints of different moments about 1.4.
inline PhotoSignals signalsOf(const Shot& shot, int variant) {
    PhotoSignals signals;
    signals.digest = shot.id;
    signals.filename = shot.id + ".jpg";
    signals.capturedAt = Date{rigStart + shot.at};
    signals.pixelWidth = 4000;
    signals.pixelHeight = 3000;
    signals.fileSize = 1000;
    std::vector<float> print(64, 0.0f);
    const float tilt = 0.15f * static_cast<float>(variant);
    print[static_cast<size_t>(2 * shot.moment)] = std::cos(tilt);
    print[static_cast<size_t>(2 * shot.moment + 1)] = std::sin(tilt);
    signals.setFeaturePrint(print);
    signals.featurePrintRevision = std::string(PhotoSignals::printRevision);
    signals.sharpness = shot.sharpness;
    signals.aestheticsScore = 0.2f;
    signals.hasCameraMetadata = true;
    signals.hasCaptureMetadata = true;
    return signals;
}

inline std::vector<LibraryAsset> assetsOf(const std::vector<Shot>& shots) {
    std::vector<LibraryAsset> assets;
    for (const auto& shot : shots)
        assets.push_back(assetOf(shot));
    return assets;
}

inline std::vector<PhotoSignals> recordingsOf(const std::vector<Shot>& shots) {
    std::vector<PhotoSignals> recordings;
    int variant = 0;
    for (const auto& shot : shots)
        recordings.push_back(signalsOf(shot, variant++ % 3));
    return recordings;
}

// What the engine wrote to its journal, oldest first.
inline std::vector<ReviewJournal::Event> events(const ReviewJournal& journal) {
    std::vector<ReviewJournal::Event> out;
    for (const auto& entry : journal.entries())
        out.push_back(entry.event);
    return out;
}

inline WorkConditions runnable() {
    WorkConditions conditions;
    conditions.power = WorkConditions::Power::mains;
    return conditions;
}

// An engine on a scripted library, fixture signals, files in memory and a clock the test
// moves. The storage outlives engines, so a test can start a new one from the files.
template <class Library = ScriptedLibrary> struct EngineRig {
    std::shared_ptr<Library> library;
    std::shared_ptr<FixtureSignalSource> source;
    std::shared_ptr<MemoryFileStorage> storage = std::make_shared<MemoryFileStorage>();
    std::shared_ptr<MutableClock> clock = std::make_shared<MutableClock>(Date{rigStart + 86400});
    std::unique_ptr<ScanEngine> engine;

    explicit EngineRig(const std::vector<Shot>& shots, LibraryStorage mode = LibraryStorage::local,
                       std::optional<std::int64_t> renditionEdge = std::nullopt,
                       bool writesToLibrary = true)
        : library(std::make_shared<Library>(assetsOf(shots), LibraryAuthorization::authorized,
                                            std::nullopt, true, mode)),
          source(std::make_shared<FixtureSignalSource>(
              recordingsOf(shots), FixtureSignalSource::Miss::refuse, renditionEdge)) {
        start(writesToLibrary);
    }

    void start(bool writesToLibrary = true) {
        engine =
            std::make_unique<ScanEngine>(library, source, storage, clock, GroupingPolicy::standard,
                                         ScoringPolicy::standard, writesToLibrary);
    }

    int analyseAll(const WorkConditions& conditions = runnable()) {
        int steps = 0;
        while (engine->analyseNext(conditions))
            ++steps;
        return steps;
    }

    // Reconciles, measures everything and regroups, as the shell's start and pump do.
    void scanAll() {
        engine->refreshAuthorization();
        engine->refreshStorageMode();
        engine->reconcileWithLibrary();
        analyseAll();
        engine->regroup();
    }

    IndexEntry entry(const std::string& id) const { return *engine->index().entry(id); }
    ReviewState state(const std::string& id) const { return entry(id).state; }

    LibraryIndex savedIndex() const {
        return LibraryIndex::decode(*storage->read(std::string(ScanEngine::indexFileName)));
    }
    ReviewJournal savedJournal() const {
        return ReviewJournal::decode(*storage->read(std::string(ScanEngine::journalFileName)));
    }
};

// A moment of three shots, the first sharp, and a solitary photograph.
inline const std::vector<Shot> momentAndSolitary = {
    {"a1", 0, 0, 0.9f}, {"a2", 5, 0, 0.3f}, {"a3", 10, 0, 0.2f}, {"s1", 9000, 1, 0.5f}};

// That library measured, grouped and its album in step: a1 and s1 kept, a2 and a3 flagged.
struct ScannedEngine : ::testing::Test {
    EngineRig<> rig{momentAndSolitary};
    void SetUp() override {
        rig.scanAll();
        rig.engine->syncRejectsAlbumIfNeeded();
    }
    ScanEngine& engine() { return *rig.engine; }
};

} // namespace keepsift::testing
