#include "system/bundle/BundleInfo.hpp"

#include "platform/files/AtomicFile.hpp"

namespace keepsift {

std::filesystem::path bundleInfoFile() {
    std::error_code error;
    const auto binary = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return binary.parent_path() / "Info.json";
}

AppConfig loadAppConfig() {
    return loadAppConfig(bundleInfoFile());
}

AppConfig loadAppConfig(const std::filesystem::path& infoFile) {
    const auto text = infoFile.empty() ? std::nullopt : readWholeFile(infoFile);
    if (!text) return AppConfig::fromInfoText(std::nullopt);
    return AppConfig::fromInfoText(*text);
}

} // namespace keepsift
