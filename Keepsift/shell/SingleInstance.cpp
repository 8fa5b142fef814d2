#include "Keepsift/shell/SingleInstance.hpp"

#include <QLocalSocket>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "Keepsift/shell/LibraryFolders.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/XdgFolders.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"

namespace keepsift::app {
namespace {

const Logger& shellLog() {
    static const Logger logger(std::string(Keepsift::identifier), "shell");
    return logger;
}

// The index and journal of each library, and files from before libraries had folders.
void removeLeftoverTemporaries(const std::filesystem::path& support) {
    ApplicationSupportStorage::removeLeftoverTemporaries(support);
    std::error_code error;
    for (const auto& library : std::filesystem::directory_iterator(librariesFolder(support), error))
        ApplicationSupportStorage::removeLeftoverTemporaries(library.path());
}

// A socket in another user's folder could be replaced by one of theirs that takes the
// requests of later launches.
bool isOwnFolder(const std::filesystem::path& folder) {
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && info.st_uid == ::geteuid();
}

} // namespace

SingleInstance::SingleInstance(std::filesystem::path folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {}

SingleInstance::~SingleInstance() {
    server_.close();
}

std::string SingleInstance::socketPath() const {
    return (folder_ / socketName).string();
}

// Without a runtime folder (a launch from cron, su or a bare ssh session) a private folder
// in the temporary folder stands in, so that such launches still see each other.
std::optional<std::filesystem::path> SingleInstance::sessionFolder() {
    if (auto runtime = privateRuntimeFolder()) return runtime;
    return privateTemporaryFolder(std::string(Keepsift::identifier));
}

// Taken in one order and given up at the first one held elsewhere, so that of two launches at
// once one always runs.
bool SingleInstance::acquire() {
    const auto folderError = makePrivateFolder(folder_);
    if (folderError)
        shellLog().error("cannot make " + folder_.string() + ": " + folderError.message());
    using Claim = InstanceLock::Claim;
    const std::function<Claim()> claims[] = {
        [&] {
            return folderError == anotherUsersFolder() ? Claim::unavailable
                                                       : ownLock_.claim(folder_ / lockName);
        },
        [this] { return claimSession(); },
        [this] { return claimHome(); },
    };
    bool anyTaken = false;
    for (const auto& claim : claims) {
        const Claim claimed = claim();
        if (claimed == Claim::heldElsewhere) {
            for (InstanceLock* lock : {&ownLock_, &sessionLock_, &homeLock_})
                lock->release();
            return false;
        }
        anyTaken = anyTaken || claimed == Claim::taken;
    }
    if (!anyTaken) shellLog().error("no instance lock can be taken");
    // With the support folder's lock held, no other instance is saving there.
    if (ownLock_.isHeld()) removeLeftoverTemporaries(folder_);
    return true;
}

InstanceLock::Claim SingleInstance::claimSession() {
    const auto session = sessionFolder();
    return session ? sessionLock_.claim(*session / runtimeLockName)
                   : InstanceLock::Claim::unavailable;
}

// The home folder is there when every other place is full or refused, and its lock needs no room.
InstanceLock::Claim SingleInstance::claimHome() {
    try {
        return homeLock_.claimFolder(homeFolder());
    } catch (const std::exception&) {
        return InstanceLock::Claim::unavailable;
    }
}

bool SingleInstance::listen(std::function<void(const std::string&)> handler) {
    handler_ = std::move(handler);
    if (!isOwnFolder(folder_)) {
        shellLog().error("no instance socket in " + folder_.string() + ": " +
                         anotherUsersFolder().message());
        return false;
    }
    // Only the lock holder gets here, so a socket file left behind is stale.
    QLocalServer::removeServer(QString::fromStdString(socketPath()));
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    if (server_.listen(QString::fromStdString(socketPath()))) return true;
    shellLog().error("cannot listen on " + socketPath() + ": " +
                     server_.errorString().toStdString());
    return false;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine(4096).trimmed();
                if (handler_) handler_(line.toStdString());
            }
        });
    }
}

bool SingleInstance::handOver(const std::string& request, int timeoutMs) const {
    // Plain socket calls: a later launch hands over before any Qt object exists.
    const std::string path = socketPath();
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path || !isOwnFolder(folder_)) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) return false;
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    bool sent = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const std::string line = request + "\n";
    sent = sent && ::send(socket, line.data(), line.size(), MSG_NOSIGNAL) ==
                       static_cast<ssize_t>(line.size());
    ::close(socket);
    return sent;
}

} // namespace keepsift::app
