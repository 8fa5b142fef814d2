#include "Keepsift/shell/UpdaterKeys.hpp"

#include "system/bundle/BundleInfo.hpp"

namespace keepsift::app {

bool UpdaterKeys::isConfigured(const std::optional<std::string>& publicKey) {
    return publicKey && !publicKey->empty() && !publicKey->starts_with("$(");
}

std::optional<UpdaterKeys> UpdaterKeys::read(const std::filesystem::path& infoFile) {
    auto key = bundleInfoText(infoFile, publicKeyName);
    if (!isConfigured(key)) return std::nullopt;
    return UpdaterKeys{*key, bundleInfoText(infoFile, feedName).value_or("")};
}

} // namespace keepsift::app
