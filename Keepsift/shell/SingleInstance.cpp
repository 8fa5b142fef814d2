#include "Keepsift/shell/SingleInstance.hpp"

#include <QLocalSocket>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"

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
    if (lockFile_ >= 0) ::close(lockFile_);
}

std::string SingleInstance::socketPath() const {
    return (folder_ / socketName).string();
}

bool SingleInstance::acquire() {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    lockFile_ = ::open((folder_ / lockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFile_ < 0) {
        shellLog().error("cannot open the instance lock in " + folder_.string());
        return true;
    }
    if (::flock(lockFile_, LOCK_EX | LOCK_NB) == 0) return true;
    ::close(lockFile_);
    lockFile_ = -1;
    return false;
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
