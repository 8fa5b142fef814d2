#include "platform/library/MeasuredBytes.hpp"

#include <utility>

namespace keepsift {

void MeasuredBytes::keep(Read read) {
    std::lock_guard lock(mutex_);
    kept_ = std::move(read);
}

std::optional<MeasuredBytes::Read> MeasuredBytes::take(const Place& file) {
    std::optional<Read> taken;
    {
        std::lock_guard lock(mutex_);
        if (!kept_ || kept_->relative != file.relative) return std::nullopt;
        taken = std::exchange(kept_, std::nullopt);
    }
    FileStamp now;
    if (!stampOf(file, now) || now != taken->stamp) return std::nullopt;
    return taken;
}

} // namespace keepsift
