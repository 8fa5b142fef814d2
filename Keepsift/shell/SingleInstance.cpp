#include "Keepsift/shell/SingleInstance.hpp"

#include <QLocalSocket>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/PrivateFiles.hpp"

namespace keepsift::app {
namespace {

const Logger& shellLog() {
    static const Logger logger(std::string(Keepsift::identifier), "shell");
    return logger;
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

bool SingleInstance::acquire() {
    if (auto error = makePrivateFolder(folder_))
        shellLog().error("cannot make " + folder_.string() + ": " + error.message());
    const auto own = ownLock_.claim(folder_ / lockName);
    const auto runtime = privateRuntimeFolder();
    const auto session =
        runtime ? sessionLock_.claim(*runtime / runtimeLockName) : InstanceLock::Claim::unavailable;
    using Claim = InstanceLock::Claim;
    if (own == Claim::heldElsewhere || session == Claim::heldElsewhere) {
        ownLock_.release();
        sessionLock_.release();
        return false;
    }
    if (own == Claim::unavailable && session == Claim::unavailable)
        shellLog().error("no instance lock can be taken in " + folder_.string() +
                         " or the runtime folder");
    return true;
}

bool SingleInstance::listen(std::function<void(const std::string&)> handler) {
    handler_ = std::move(handler);
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
    if (path.size() >= sizeof address.sun_path) return false;
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
