#include "platform/library/ConsentStore.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include "core/support/Json.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/XdgFolders.hpp"
#include "platform/library/PhotoLibraryPort.hpp"
#include "platform/library/XdgPaths.hpp"

namespace keepsift {
namespace {

bool systemAccess(const std::string& path, int mode) {
    return ::access(path.c_str(), mode) == 0;
}

// An answer takes a few bytes.
constexpr std::size_t largestAnswerBytes = 64 * 1024;

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::filesystem::path defaultConsentFile() {
    return xdgConfigHome() / xdg::appFolder / "library-consent.json";
}

ConsentStore::ConsentStore(std::filesystem::path file, std::filesystem::path libraryRoot,
                           AccessCheck access)
    : file_(std::move(file)), root_(std::move(libraryRoot)),
      access_(access ? std::move(access) : AccessCheck(systemAccess)) {}

std::optional<bool> ConsentStore::consent() const {
    auto [text, problem] = readPrivateFile(file_, largestAnswerBytes);
    noteProblem(problem);
    if (!text) return std::nullopt;
    try {
        Json document = Json::parse(*text);
        const Json* answer = document.find("consent");
        if (answer == nullptr) return std::nullopt;
        return answer->asString() == "granted";
    } catch (const std::exception&) {
        // An unreadable answer asks again rather than guessing.
        return std::nullopt;
    }
}

// Once for each new problem: the answer is looked at on every status check.
void ConsentStore::noteProblem(const std::string& problem) const {
    std::lock_guard lock(problemMutex_);
    if (problem == loggedProblem_) return;
    loggedProblem_ = problem;
    if (problem.empty()) return;
    static const Logger log(xdg::appFolder, "folder-library");
    log.error(file_.string() + " cannot be read, the answer is asked again: " + problem);
}

bool ConsentStore::record(bool granted) {
    if (makePrivateFolder(file_.parent_path())) return false;
    Json document = Json::object();
    document.set("consent", granted ? "granted" : "declined");
    try {
        replaceFileAtomically(file_, document.dump() + "\n");
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

int ConsentStore::status() const {
    auto answer = consent();
    if (!answer) return port_authorization::notDetermined;
    if (!*answer) return port_authorization::denied;
    std::string root = root_.string();
    if (!isDirectory(root) || !access_(root, R_OK | X_OK)) return port_authorization::restricted;
    if (!access_(root, W_OK)) return port_authorization::limited;
    return port_authorization::authorized;
}

} // namespace keepsift
