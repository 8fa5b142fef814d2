#include "Keepsift/shell/ProductionFactory.hpp"

#include <QLocale>
#include <QStringList>

#include "Keepsift/model/ReporterFactory.hpp"
#include "Keepsift/shell/LowPrioritySignalSource.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/storage/UserDefaultsStorage.hpp"
#include "core/telemetry/TelemetryReporter.hpp"
#include "core/text/Strings.hpp"
#include "platform/defaults/FileUserDefaults.hpp"
#include "platform/files/XdgFolders.hpp"
#include "platform/library/XdgPaths.hpp"
#include "system/bundle/BundleInfo.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"
#include "telemetry/sink/AnalyticsSink.hpp"

namespace keepsift::app {
namespace {

std::vector<std::string> systemLanguages() {
    std::vector<std::string> languages;
    for (const QString& language : QLocale::system().uiLanguages())
        languages.push_back(language.toStdString());
    return languages;
}

// Never a storage in memory: decisions that would not outlive the process are not made at
// all, and the model waits until the folder can be used.
std::shared_ptr<FileStorage> fileStorage() {
    return ApplicationSupportStorage::whenAvailable(Keepsift::identifier);
}

// Without an analytics identifier the client is never started and signals go nowhere.
std::shared_ptr<TelemetrySink> telemetrySink(const AppConfig& config) {
    if (!config.telemetryAppID) return std::make_shared<NoopSink>();
    AnalyticsSink::configure(*config.telemetryAppID, false);
    return std::make_shared<AnalyticsSink>();
}

} // namespace

std::filesystem::path applicationSupportFolder() {
    return xdgDataHome() / std::string(Keepsift::identifier);
}

ProductionParts makeProductionParts(const std::optional<std::string>& library,
                                    PlatformDialogs dialogs) {
    ProductionParts made;
    made.defaults =
        std::make_shared<FileUserDefaults>(FileUserDefaults::standardFile(Keepsift::identifier));
    auto values = std::make_shared<UserDefaultsStorage>(made.defaults);
    auto store =
        std::make_shared<KeepsiftStore>(values, Strings::preferredLanguage(systemLanguages()));
    auto files = fileStorage();
    const AppConfig config = loadAppConfig();
    auto sink = telemetrySink(config);
    made.services = makeLiveServices(libraryRoot(library), std::move(dialogs));
    auto engine = std::make_shared<ScanEngine>(
        made.services.library, std::make_shared<LowPrioritySignalSource>(made.services.extractor),
        files, std::make_shared<SystemClock>(), GroupingPolicy::standard, ScoringPolicy::standard,
        true);
    auto telemetry =
        std::make_shared<TelemetryReporter>(sink, std::make_shared<SystemClock>(), false,
                                            TelemetryMemory{}, persistTelemetryMemory(store));

    AppModel::Parts& parts = made.parts;
    parts.engine = std::move(engine);
    parts.store = std::move(store);
    parts.telemetry = std::move(telemetry);
    parts.clock = std::make_shared<SystemClock>();
    parts.startsUpdater = true;
    return made;
}

} // namespace keepsift::app
