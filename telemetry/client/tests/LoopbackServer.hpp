#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace keepsift::analytics::testing {

// An HTTP server on 127.0.0.1 that answers each request as told, for the client's
// upload tests. It never reaches beyond this machine.
class LoopbackServer {
public:
    enum class Behaviour { answer, neverAnswer, closeMidResponse, garbage };
    struct Request {
        std::string requestLine;
        std::string headers;
        std::string body;
    };

    LoopbackServer();
    ~LoopbackServer();

    void answerWith(int status, std::string body = "{}");
    void behave(Behaviour behaviour);

    std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    int connections() const { return connections_; }
    std::vector<Request> requests() const;
    // Blocks until this many requests have arrived (the test's only wait; bounded).
    bool waitForRequests(std::size_t count);

    // A port on which nothing listens.
    static int closedPort();

private:
    void serve();
    void handle(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_ = false;
    std::atomic<int> connections_ = 0;
    mutable std::mutex lock_;
    std::condition_variable arrived_;
    Behaviour behaviour_ = Behaviour::answer;
    int status_ = 200;
    std::string answer_ = "{}";
    std::vector<Request> requests_;
    std::vector<int> held_;
    std::thread thread_;
};

} // namespace keepsift::analytics::testing
