#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace keepsift {

// The memory that decodes in flight may take together. Each decode reserves what its
// header says it will need before it starts, and waits while others hold the rest, so that
// many workers decoding large images at once cannot exhaust the machine.
class DecodeMemory {
public:
    explicit DecodeMemory(std::int64_t total) : total_(total) {}
    DecodeMemory(const DecodeMemory&) = delete;
    DecodeMemory& operator=(const DecodeMemory&) = delete;

    // Shared by every decode of the process: a quarter of the memory the process may use.
    static DecodeMemory& shared();

    class Reservation {
    public:
        Reservation(Reservation&& other) noexcept : owner_(other.owner_), bytes_(other.bytes_) {
            other.owner_ = nullptr;
        }
        Reservation& operator=(Reservation&&) = delete;
        ~Reservation();

    private:
        friend class DecodeMemory;
        Reservation(DecodeMemory* owner, std::int64_t bytes) : owner_(owner), bytes_(bytes) {}
        DecodeMemory* owner_;
        std::int64_t bytes_;
    };

    // Waits until the bytes are free; nothing when they exceed the total and never could be.
    std::optional<Reservation> reserve(std::int64_t bytes);
    // Nothing unless the bytes are free now.
    std::optional<Reservation> tryReserve(std::int64_t bytes);
    std::int64_t total() const { return total_; }

private:
    void release(std::int64_t bytes);

    const std::int64_t total_;
    std::int64_t used_ = 0;
    std::mutex lock_;
    std::condition_variable freed_;
};

// A share of the shared memory for one decode; nothing when the decode would take more than
// one decode may (DecodeLimits::maximumDecodeBytes).
std::optional<DecodeMemory::Reservation> reserveDecodeMemory(std::int64_t bytes);

// The memory this process may use: physical memory, or less under a control-group limit.
std::int64_t usableMemory();

} // namespace keepsift
