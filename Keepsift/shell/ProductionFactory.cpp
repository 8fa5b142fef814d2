#include "Keepsift/shell/ProductionFactory.hpp"

#include <QLocale>
#include <QStringList>

#include "Keepsift/model/LibraryNotice.hpp"
#include "Keepsift/model/ReporterFactory.hpp"
#include "Keepsift/shell/LibraryFolders.hpp"
#include "Keepsift/shell/LowPrioritySignalSource.hpp"
#include "Keepsift/shell/RunningProgram.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/storage/UserDefaultsStorage.hpp"
#include "core/support/Logger.hpp"
#include "core/telemetry/TelemetryReporter.hpp"
#include "core/text/Strings.hpp"
#include "platform/defaults/FileUserDefaults.hpp"
#include "platform/files/XdgFolders.hpp"
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
// all, and the model waits until the folder can be used. Each library has a folder of its own.
std::shared_ptr<FileStorage> fileStorage(const std::filesystem::path& library) {
    const std::string folder =
        std::string(Keepsift::identifier) + "/libraries/" + libraryKey(library);
    try {
        const auto support = applicationSupportFolder();
        adoptSharedFiles(support, support / "libraries" / libraryKey(library));
    } catch (const std::exception&) {
        // No home folder: the storage says so when it is used.
    }
    return ApplicationSupportStorage::whenAvailable(folder);
}

// Without an analytics identifier the client is never started and signals go nowhere.
std::shared_ptr<TelemetrySink> telemetrySink(const AppConfig& config) {
    if (!config.telemetryAppID) return std::make_shared<NoopSink>();
    AnalyticsSink::configure(*config.telemetryAppID, false);
    return std::make_shared<AnalyticsSink>();
}

// On the terminal of a launch by hand, and in the journal.
// The binary that runs, by its whole path: a build's binary is on no search path.
std::string launchCommand() {
    const auto program = RunningProgram::path();
    return program.empty() ? std::string("keepsift") : RunningProgram::shellWord(program);
}

void reportLibrary(const LibraryChoice& choice) {
    static const Logger logger(std::string(Keepsift::identifier), "shell");
    if (choice.refused)
        logger.error("the home folder is never the library: " + choice.refused->string() +
                     " is passed over");
    if (choice.source == LibraryChoice::Source::missingPictures)
        logger.error(missingPicturesNotice(choice.root.string(), launchCommand(), "en"));
    else
        logger.info("library: " + choice.root.string());
}

} // namespace

std::filesystem::path applicationSupportFolder() {
    return xdgDataHome() / std::string(Keepsift::identifier);
}

std::shared_ptr<UserDefaults> standardDefaults() {
    return std::make_shared<FileUserDefaults>(FileUserDefaults::standardFile(Keepsift::identifier));
}

ProductionParts makeProductionParts(std::shared_ptr<UserDefaults> defaults,
                                    const std::optional<std::string>& library,
                                    PlatformDialogs dialogs, WatcherOptions watcher) {
    ProductionParts made;
    made.defaults = std::move(defaults);
    auto values = std::make_shared<UserDefaultsStorage>(made.defaults);
    auto store =
        std::make_shared<KeepsiftStore>(values, Strings::preferredLanguage(systemLanguages()));
    made.library = settleLibrary(*made.defaults, library);
    auto files = fileStorage(made.library.root);
    const AppConfig config = loadAppConfig();
    auto sink = telemetrySink(config);
    made.services = makeLiveServices(made.library.root, std::move(dialogs), nullptr, watcher);
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
    parts.sendsUsage = config.telemetryAppID.has_value();
    parts.restMeasuring = [extractor = made.services.extractor] {
        extractor->context().releaseLandmarkModel();
    };
    if (made.library.source == LibraryChoice::Source::missingPictures)
        parts.missingPictures = made.library.root.string();
    parts.launchCommand = launchCommand();
    parts.libraryFolder = made.library.root.string();
    reportLibrary(made.library);
    return made;
}

} // namespace keepsift::app
