#include "bench/engine/EngineLibrary.hpp"

#include <cmath>

#include "core/scripted/FixtureSignalSource.hpp"
#include "core/storage/MemoryFileStorage.hpp"

namespace keepsift::bench {
namespace {

PhotoSignals signalsFor(const LibraryAsset& asset, int moment, int shot) {
    PhotoSignals s;
    s.digest = asset.id;
    s.filename = asset.filename;
    s.capturedAt = asset.createdAt;
    s.pixelWidth = asset.pixelWidth;
    s.pixelHeight = asset.pixelHeight;
    s.fileSize = asset.fileSize;
    std::vector<float> print(64, 0.0f);
    const float tilt = 0.15f * static_cast<float>(shot % 3);
    print[static_cast<size_t>(2 * (moment % 4))] = std::cos(tilt);
    print[static_cast<size_t>(2 * (moment % 4) + 1)] = std::sin(tilt);
    s.setFeaturePrint(print);
    s.featurePrintRevision = std::string(PhotoSignals::printRevision);
    s.sharpness = shot == 0 ? 0.9f : 0.3f; // the later shots are blurred
    s.hasCameraMetadata = true;
    s.hasCaptureMetadata = true;
    return s;
}

} // namespace

EngineLibrary makeEngineLibrary(int photoCount) {
    static constexpr int sizes[] = {1, 1, 1, 2, 3, 5, 1, 1, 4, 1};
    EngineLibrary library;
    int moment = 0;
    while (static_cast<int>(library.assets.size()) < photoCount) {
        const double at = libraryStart + (moment / 4) * 4000.0 + (moment % 4) * 300.0;
        for (int shot = 0;
             shot < sizes[moment % 10] && static_cast<int>(library.assets.size()) < photoCount;
             ++shot) {
            LibraryAsset asset;
            asset.id = "photo-" + std::to_string(library.assets.size());
            asset.filename = asset.id + ".jpg";
            asset.createdAt = Date{at + shot * 2.0};
            asset.modifiedAt = asset.createdAt;
            asset.pixelWidth = 4000;
            asset.pixelHeight = 3000;
            asset.fileSize = 2000000;
            library.signals.push_back(signalsFor(asset, moment, shot));
            library.assets.push_back(std::move(asset));
        }
        ++moment;
    }
    return library;
}

WorkConditions running() {
    WorkConditions conditions;
    conditions.power = WorkConditions::Power::mains;
    return conditions;
}

std::shared_ptr<ScriptedLibrary> makeScriptedLibrary(const EngineLibrary& library) {
    return std::make_shared<ScriptedLibrary>(library.assets, LibraryAuthorization::authorized,
                                             std::nullopt, true, LibraryStorage::local);
}

// The first save happens here, so the throttle keeps the benchmarks free of saving.
std::unique_ptr<ScanEngine> makeEngine(const EngineLibrary& library, bool measured,
                                       std::shared_ptr<FileStorage> storage,
                                       std::shared_ptr<Clock> clock,
                                       std::shared_ptr<PhotoLibrary> photos) {
    if (!storage) storage = std::make_shared<MemoryFileStorage>();
    if (!clock) clock = std::make_shared<FixedClock>(Date{libraryStart + 1e7});
    if (!photos) photos = makeScriptedLibrary(library);
    auto engine = std::make_unique<ScanEngine>(
        std::move(photos),
        std::make_shared<FixtureSignalSource>(library.signals, FixtureSignalSource::Miss::refuse),
        std::move(storage), std::move(clock));
    engine->reconcileWithLibrary();
    if (measured) {
        for (const auto& signals : library.signals)
            engine->recordSignals(signals, signals.digest);
        engine->regroup();
    }
    return engine;
}

} // namespace keepsift::bench
