#include "VirtualDisplay.hpp"

#include "TiedProcess.hpp"

#include <array>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace keepsift::testing {
namespace {

const char* const server = "/usr/bin/Xvfb";

void appendCounted(std::string& record, const std::string& field) {
    record.push_back(static_cast<char>(field.size() >> 8));
    record.push_back(static_cast<char>(field.size() & 0xff));
    record.append(field);
}

// A new Xauthority file in the folder, of one cookie for any host and display (FamilyWild),
// written before the server has chosen its display; its own file, since another launch in the
// same folder may still be using an earlier one.
std::filesystem::path writeCookie(const std::filesystem::path& folder) {
    std::random_device random;
    std::string cookie;
    for (int byte = 0; byte < 16; ++byte)
        cookie.push_back(static_cast<char>(random() & 0xff));
    std::string record = "\xff\xff";
    for (const std::string& field :
         {std::string(), std::string(), std::string("MIT-MAGIC-COOKIE-1"), cookie})
        appendCounted(record, field);
    std::string file = (folder / "xauthority-XXXXXX").string();
    const int fd = ::mkstemp(file.data()); // readable by its owner alone
    if (fd < 0 || ::write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
        throw std::runtime_error("cannot write " + file);
    ::close(fd);
    return file;
}

// What the server writes once it accepts connections: its display number and a newline.
std::string readDisplayNumber(int fd, int guardMilliseconds) {
    std::string number;
    pollfd ready{fd, POLLIN, 0};
    char c = 0;
    while (::poll(&ready, 1, guardMilliseconds) == 1 && ::read(fd, &c, 1) == 1 && c != '\n')
        number.push_back(c);
    return c == '\n' ? number : std::string();
}

} // namespace

bool VirtualDisplay::canStart() {
    return ::access(server, X_OK) == 0;
}

VirtualDisplay::VirtualDisplay(const std::filesystem::path& folder)
    : authority_(writeCookie(folder)) {
    std::array<int, 2> told{};
    if (::pipe2(told.data(), O_CLOEXEC) != 0) throw std::runtime_error("no pipe for Xvfb");
    const std::string log = (folder / "xvfb.log").string();
    server_ = forkTiedToThisThread([&] {
        // A group of its own: a Ctrl-C meant for the test is the test's to pass on.
        ::setpgid(0, 0);
        const int fd = ::dup(told[1]); // without close-on-exec
        const std::string displayFd = std::to_string(fd);
        std::freopen(log.c_str(), "a", stdout);
        std::freopen(log.c_str(), "a", stderr);
        ::execl(server, "Xvfb", "-displayfd", displayFd.c_str(), "-screen", "0", "1280x1024x24",
                "-nolisten", "tcp", "-auth", authority_.c_str(), nullptr);
    });
    ::setpgid(server_, server_);
    ::close(told[1]);
    const std::string number = readDisplayNumber(told[0], 60'000);
    ::close(told[0]);
    if (number.empty()) {
        stop();
        throw std::runtime_error("Xvfb did not start; see " + log);
    }
    name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
    stop();
}

void VirtualDisplay::stop() {
    if (server_ <= 0) return;
    // SIGTERM lets it take its lock file and socket away.
    ::kill(-server_, SIGTERM);
    if (!reap(server_, 10)) {
        ::kill(-server_, SIGKILL);
        reap(server_, 60);
    }
    server_ = -1;
}

void VirtualDisplay::useIt() const {
    ::setenv("DISPLAY", name_.c_str(), 1);
    ::setenv("XAUTHORITY", authority_.c_str(), 1);
}

} // namespace keepsift::testing
