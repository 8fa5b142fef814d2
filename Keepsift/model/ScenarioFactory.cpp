#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/model/ReporterFactory.hpp"
#include "Keepsift/model/ScenarioEnvironment.hpp"
#include "core/scripted/FixtureSignalSource.hpp"
#include "core/scripted/ScriptedLibrary.hpp"
#include "core/storage/MemoryFileStorage.hpp"
#include "core/storage/MemoryStorage.hpp"

namespace keepsift::app {
namespace {

// An asset's identifier is the digest of its measurements, so the fixture finds them by it.
LibraryAsset assetOf(const PhotoSignals& signals) {
    LibraryAsset asset;
    asset.id = signals.digest;
    asset.filename = signals.filename;
    asset.createdAt = signals.capturedAt;
    asset.modifiedAt = signals.capturedAt;
    asset.pixelWidth = signals.pixelWidth;
    asset.pixelHeight = signals.pixelHeight;
    asset.fileSize = signals.fileSize;
    asset.isFavourite = signals.isFavourite;
    asset.isEdited = signals.isEdited;
    asset.isInUserAlbum = signals.isInUserAlbum;
    asset.isRejected = false;
    return asset;
}

// The scenario's library keeps the library-access answer as the folder library keeps its
// consent: declined is denied; given, the scenario's own restriction (if any) stays.
std::function<bool(bool)> consentOf(std::shared_ptr<ScriptedLibrary> library,
                                    LibraryAuthorization scripted) {
    const bool restricts =
        scripted == LibraryAuthorization::restricted || scripted == LibraryAuthorization::limited;
    const LibraryAuthorization given = restricts ? scripted : LibraryAuthorization::authorized;
    return [library = std::move(library), given](bool granted) {
        library->setAuthorization(granted ? given : LibraryAuthorization::denied);
        return true;
    };
}

} // namespace

std::unique_ptr<AppModel> AppModel::makeForScenario(const Environment& environment,
                                                    Services services,
                                                    std::shared_ptr<ImageSource> images) {
    const ScenarioEnvironment chosen = ScenarioEnvironment::read(environment);
    std::vector<PhotoSignals> measured;
    for (const auto& photo : chosen.definition.photos)
        measured.push_back(Scenario::signals(photo));
    std::vector<LibraryAsset> assets;
    for (const auto& signals : measured)
        assets.push_back(assetOf(signals));

    auto values = std::make_shared<MemoryStorage>();
    auto store = std::make_shared<KeepsiftStore>(values, chosen.language);
    if (!chosen.firstRunPending)
        values->set(Json(true).dump(), std::string(KeepsiftStore::seenFirstRunNoticeKey));

    auto library = std::make_shared<ScriptedLibrary>(assets, chosen.authorization, std::nullopt,
                                                     true, chosen.storage, chosen.readDelay);
    if (!services.recordLibraryConsent)
        services.recordLibraryConsent = consentOf(library, chosen.authorization);
    auto source =
        std::make_shared<FixtureSignalSource>(measured, FixtureSignalSource::Miss::refuse);
    auto files = std::make_shared<MemoryFileStorage>();
    auto engine = std::make_shared<ScanEngine>(
        library, source, files, std::make_shared<FixedClock>(Scenario::referenceDate()),
        GroupingPolicy::standard, ScoringPolicy::standard, true);
    Parts parts;
    parts.engine = std::move(engine);
    parts.store = std::move(store);
    parts.telemetry = makeNoopTelemetryReporter();
    parts.clock = std::make_shared<FixedClock>(Scenario::referenceDate());
    parts.images = std::move(images);
    parts.startsUpdater = false;
    parts.fixedConditions = chosen.definition.conditions;
    return std::make_unique<AppModel>(std::move(parts), std::move(services));
}

} // namespace keepsift::app
