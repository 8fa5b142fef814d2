#include "Keepsift/shell/StorageSpikeRun.hpp"

#include "core/engine/ScanEngine.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"
#include "photos/library/StorageSpike.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"

namespace keepsift::app {

std::string appendedReport(const std::string& existing, const std::string& report) {
    return existing.empty() ? report : existing + "\n\n" + report;
}

std::string runStorageSpike(ScanEngine& engine, PhotoLibraryPort& port,
                            const std::filesystem::path& supportFolder) {
    engine.ensureAuthorization(true);
    const std::string report = StorageSpike::run(port, StorageSpike::launchSampleSize);
    if (supportFolder.empty()) return report;
    makePrivateFolder(supportFolder);
    const auto file = supportFolder / "storage-spike.txt";
    try {
        replaceFileAtomically(file, appendedReport(readWholeFile(file).value_or(""), report));
    } catch (const std::exception&) {
    }
    Logger(std::string(Keepsift::identifier), "shell").info("spike appended to " + file.string());
    return report;
}

} // namespace keepsift::app
