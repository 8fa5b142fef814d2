#include "LoopbackServer.hpp"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace keepsift::analytics::testing {
namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

int boundPort(int socket) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

void sendAll(int socket, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const auto n = ::send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

// Reads one request: headers, then as many body bytes as Content-Length says.
bool readRequest(int socket, LoopbackServer::Request& request) {
    std::string data;
    char buffer[65536];
    std::size_t headerEnd = std::string::npos;
    std::size_t length = 0;
    while (true) {
        pollfd ready{socket, POLLIN, 0};
        if (::poll(&ready, 1, 5000) <= 0) return false;
        const auto n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        data.append(buffer, static_cast<std::size_t>(n));
        if (headerEnd == std::string::npos) {
            headerEnd = data.find("\r\n\r\n");
            if (headerEnd == std::string::npos) continue;
            const std::string head = data.substr(0, headerEnd);
            const auto at = head.find("Content-Length: ");
            if (at != std::string::npos) length = std::stoul(head.substr(at + 16));
            request.requestLine = head.substr(0, head.find("\r\n"));
            request.headers = head;
        }
        if (data.size() >= headerEnd + 4 + length) {
            request.body = data.substr(headerEnd + 4, length);
            return true;
        }
    }
}

} // namespace

LoopbackServer::LoopbackServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = loopback(0);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    port_ = boundPort(listener_);
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
    std::lock_guard guard(lock_);
    for (int socket : held_)
        ::close(socket);
}

void LoopbackServer::answerWith(int status, std::string body) {
    std::lock_guard guard(lock_);
    behaviour_ = Behaviour::answer;
    status_ = status;
    answer_ = std::move(body);
}

void LoopbackServer::behave(Behaviour behaviour) {
    std::lock_guard guard(lock_);
    behaviour_ = behaviour;
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

bool LoopbackServer::waitForRequests(std::size_t count) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, std::chrono::seconds(20),
                             [&] { return requests_.size() >= count; });
}

int LoopbackServer::closedPort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int port = boundPort(socket);
    ::close(socket);
    return port;
}

void LoopbackServer::serve() {
    while (!stopping_) {
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, 20) <= 0) continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        ++connections_;
        handle(client);
    }
}

void LoopbackServer::handle(int client) {
    Request request;
    const bool complete = readRequest(client, request);
    Behaviour behaviour;
    int status;
    std::string answer;
    {
        std::lock_guard guard(lock_);
        if (complete) requests_.push_back(request);
        behaviour = behaviour_;
        status = status_;
        answer = answer_;
    }
    arrived_.notify_all();
    switch (behaviour) {
    case Behaviour::answer:
        sendAll(client, "HTTP/1.1 " + std::to_string(status) +
                            " Status\r\nContent-Length: " + std::to_string(answer.size()) +
                            "\r\nConnection: close\r\n\r\n" + answer);
        break;
    case Behaviour::neverAnswer: {
        std::lock_guard guard(lock_);
        held_.push_back(client);
        return;
    }
    case Behaviour::closeMidResponse:
        sendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n{\"ok\":");
        break;
    case Behaviour::garbage:
        sendAll(client, std::string("\x00\xff\xfe garbage \x01\r\n\r\n", 18));
        break;
    }
    ::close(client);
}

} // namespace keepsift::analytics::testing
