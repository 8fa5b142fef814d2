#include "platform/imaging/DecodeMemory.hpp"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/imaging/DecodeLimits.hpp"

namespace keepsift {
namespace {

// A control-group limit ("max" or a missing file means none).
std::optional<std::int64_t> limitIn(const char* path) {
    std::ifstream file(path);
    std::string text;
    if (!(file >> text)) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0) return std::nullopt;
    return value;
}

constexpr std::int64_t gibibyte = 1LL << 30;

} // namespace

std::int64_t usableMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    std::int64_t usable = pages > 0 && pageSize > 0 ? std::int64_t{pages} * pageSize : 4 * gibibyte;
    for (const char* path :
         {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes"})
        if (const auto limit = limitIn(path)) usable = std::min(usable, *limit);
    return usable;
}

DecodeMemory& DecodeMemory::shared() {
    static DecodeMemory memory(std::max(gibibyte / 2, usableMemory() / 4));
    return memory;
}

std::optional<DecodeMemory::Reservation> reserveDecodeMemory(std::int64_t bytes) {
    if (bytes > DecodeLimits::maximumDecodeBytes) return std::nullopt;
    return DecodeMemory::shared().reserve(bytes);
}

DecodeMemory::Reservation::~Reservation() {
    if (owner_ != nullptr) owner_->release(bytes_);
}

std::optional<DecodeMemory::Reservation> DecodeMemory::reserve(std::int64_t bytes) {
    if (bytes > total_) return std::nullopt;
    std::unique_lock guard(lock_);
    freed_.wait(guard, [&] { return used_ + bytes <= total_; });
    used_ += bytes;
    return Reservation(this, bytes);
}

std::optional<DecodeMemory::Reservation> DecodeMemory::tryReserve(std::int64_t bytes) {
    std::lock_guard guard(lock_);
    if (bytes > total_ || used_ + bytes > total_) return std::nullopt;
    used_ += bytes;
    return Reservation(this, bytes);
}

void DecodeMemory::release(std::int64_t bytes) {
    {
        std::lock_guard guard(lock_);
        used_ -= bytes;
    }
    freed_.notify_all();
}

} // namespace keepsift
