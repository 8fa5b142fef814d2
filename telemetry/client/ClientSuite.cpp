#include "telemetry/client/ClientSuite.hpp"

#include <map>
#include <mutex>

#include "platform/defaults/FileUserDefaults.hpp"
#include "telemetry/client/Hashing.hpp"

namespace keepsift::analytics {

std::string clientSuiteName(const std::string& appID) {
    const std::string hash = sha256Hex(appID, "");
    return "com.ambervale.analytics." + hash.substr(hash.size() - 12);
}

std::shared_ptr<UserDefaults> openClientSuite(const std::string& appID) {
    static std::mutex lock;
    static std::map<std::filesystem::path, std::shared_ptr<UserDefaults>> open;
    std::filesystem::path file;
    try {
        file = FileUserDefaults::standardFile(clientSuiteName(appID));
    } catch (const std::exception&) {
        return nullptr;
    }
    std::lock_guard guard(lock);
    auto& suite = open[file];
    if (!suite) suite = std::make_shared<FileUserDefaults>(file);
    return suite;
}

} // namespace keepsift::analytics
