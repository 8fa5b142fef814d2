#include "system/bundle/BundleInfo.hpp"

#include "core/support/Json.hpp"
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

std::optional<std::string> bundleInfoText(const std::filesystem::path& infoFile,
                                          std::string_view key) {
    const auto text = infoFile.empty() ? std::nullopt : readWholeFile(infoFile);
    if (!text) return std::nullopt;
    try {
        const Json info = Json::parse(*text);
        if (info.type() != Json::Type::object) return std::nullopt;
        const Json* value = info.find(std::string(key));
        if (value == nullptr || value->type() != Json::Type::string) return std::nullopt;
        return value->asString();
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

} // namespace keepsift
