#include "core/review/ReviewGroups.hpp"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace keepsift {

namespace {

std::vector<ReviewGroups::Shared> sharedEach(std::vector<ReviewGroup>&& groups) {
    std::vector<ReviewGroups::Shared> shared;
    shared.reserve(groups.size());
    for (auto& group : groups)
        shared.push_back(std::make_shared<const ReviewGroup>(std::move(group)));
    return shared;
}

} // namespace

ReviewGroups::ReviewGroups(std::vector<ReviewGroup> groups)
    : ReviewGroups(sharedEach(std::move(groups))) {}

ReviewGroups::ReviewGroups(std::initializer_list<ReviewGroup> groups)
    : ReviewGroups(std::vector<ReviewGroup>(groups)) {}

ReviewGroups::ReviewGroups(std::vector<Shared> groups)
    : items_(groups.empty() ? nullptr : std::make_shared<std::vector<Shared>>(std::move(groups))) {}

ReviewGroups::const_iterator ReviewGroups::begin() const {
    static const std::vector<Shared> none;
    return const_iterator(items_ ? items_->cbegin() : none.cbegin());
}

ReviewGroups::const_iterator ReviewGroups::end() const {
    static const std::vector<Shared> none;
    return const_iterator(items_ ? items_->cend() : none.cend());
}

const ReviewGroup& ReviewGroups::at(size_type i) const {
    if (i >= size()) throw std::out_of_range("ReviewGroups::at");
    return (*this)[i];
}

ReviewGroups::operator std::vector<ReviewGroup>() const {
    return std::vector<ReviewGroup>(begin(), end());
}

// The last other holder published its reads with the release of its count; the fence
// makes them happen before this copy writes to the vector.
std::vector<ReviewGroups::Shared>& ReviewGroups::own() {
    if (!items_)
        items_ = std::make_shared<std::vector<Shared>>();
    else if (items_.use_count() == 1)
        std::atomic_thread_fence(std::memory_order_acquire);
    else
        items_ = std::make_shared<std::vector<Shared>>(*items_);
    return *items_;
}

ReviewGroups::const_iterator ReviewGroups::insert(const_iterator at, Shared group) {
    const auto offset = at - begin();
    auto& items = own();
    return const_iterator(items.insert(items.cbegin() + offset, std::move(group)));
}

ReviewGroups::const_iterator ReviewGroups::insert(const_iterator at, ReviewGroup group) {
    return insert(at, std::make_shared<const ReviewGroup>(std::move(group)));
}

ReviewGroups::const_iterator ReviewGroups::erase(const_iterator at) {
    const auto offset = at - begin();
    auto& items = own();
    return const_iterator(items.erase(items.cbegin() + offset));
}

void ReviewGroups::push_back(ReviewGroup group) {
    own().push_back(std::make_shared<const ReviewGroup>(std::move(group)));
}

bool ReviewGroups::operator==(const ReviewGroups& other) const {
    if (items_ == other.items_) return true;
    return size() == other.size() && std::equal(begin(), end(), other.begin());
}

} // namespace keepsift
