#pragma once

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>
#include <unistd.h>
#include <vector>

namespace keepsift::testing {

// Runs the call on a thread of its own and answers whether it finished within the limit. A
// call still blocked on one of the pipes then is released (each opened for writing), so that a
// test fails instead of hanging.
inline bool finishesWithin(std::chrono::seconds limit, const std::function<void()>& call,
                           const std::vector<std::filesystem::path>& pipes) {
    std::packaged_task<void()> task(call);
    auto done = task.get_future();
    std::thread runner(std::move(task));
    const bool finished = done.wait_for(limit) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        for (const auto& pipe : pipes)
            if (const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0)
                ::close(fd);
    runner.join();
    done.get();
    return finished;
}

} // namespace keepsift::testing
