#include <chrono>
#include <condition_variable>
#include <mutex>

#include "Keepsift/model/Sleeper.hpp"

namespace keepsift::app {

bool SystemSleeper::sleep(double seconds, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(seconds));
    wake.wait_until(lock, stop, until, [] { return false; });
    return !stop.stop_requested();
}

} // namespace keepsift::app
