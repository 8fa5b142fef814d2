#pragma once

#include <algorithm>
#include <deque>
#include <mutex>
#include <utility>

namespace keepsift {

// The last few answers of an expensive question, newest first. The lock guards the list
// only: the answer is worked out outside it, so a slow question never blocks another.
template <typename Key, typename Value> class RecentAnswers {
public:
    explicit RecentAnswers(size_t capacity) : capacity_(capacity) {}

    template <typename Compute> Value answer(const Key& key, Compute compute) const {
        {
            std::lock_guard lock(mutex_);
            auto found = std::find_if(entries_.begin(), entries_.end(),
                                      [&](const auto& entry) { return entry.first == key; });
            if (found != entries_.end()) return found->second;
        }
        Value value = compute();
        std::lock_guard lock(mutex_);
        entries_.emplace_front(key, value);
        if (entries_.size() > capacity_) entries_.pop_back();
        return value;
    }

    void forget() const {
        std::lock_guard lock(mutex_);
        entries_.clear();
    }

private:
    size_t capacity_;
    mutable std::mutex mutex_;
    mutable std::deque<std::pair<Key, Value>> entries_;
};

} // namespace keepsift
