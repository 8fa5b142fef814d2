#pragma once

#include <compare>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <vector>

#include "core/review/ReviewGroup.hpp"

namespace keepsift {

// The groups of a review list, read like a vector of groups. Copies share the groups until
// one of them changes, and each group is shared on its own, so a snapshot's copy of a list
// of any length costs one count and a change copies addresses, never the groups.
class ReviewGroups {
public:
    using Shared = std::shared_ptr<const ReviewGroup>;
    using value_type = ReviewGroup;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = const ReviewGroup&;
    using const_reference = const ReviewGroup&;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using iterator_concept = std::random_access_iterator_tag;
        using value_type = ReviewGroup;
        using difference_type = std::ptrdiff_t;
        using pointer = const ReviewGroup*;
        using reference = const ReviewGroup&;

        const_iterator() = default;
        explicit const_iterator(std::vector<Shared>::const_iterator at) : at_(at) {}

        reference operator*() const { return **at_; }
        pointer operator->() const { return at_->get(); }
        reference operator[](difference_type n) const { return *at_[n]; }
        const_iterator& operator++() { return ++at_, *this; }
        const_iterator operator++(int) { return const_iterator(at_++); }
        const_iterator& operator--() { return --at_, *this; }
        const_iterator operator--(int) { return const_iterator(at_--); }
        const_iterator& operator+=(difference_type n) { return at_ += n, *this; }
        const_iterator& operator-=(difference_type n) { return at_ -= n, *this; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return a.at_ - b.at_;
        }
        bool operator==(const const_iterator&) const = default;
        auto operator<=>(const const_iterator&) const = default;
        const Shared& shared() const { return *at_; }

    private:
        std::vector<Shared>::const_iterator at_;
    };
    using iterator = const_iterator;

    ReviewGroups() = default;
    ReviewGroups(std::vector<ReviewGroup> groups);
    ReviewGroups(std::initializer_list<ReviewGroup> groups);
    explicit ReviewGroups(std::vector<Shared> groups);

    size_type size() const { return items_ ? items_->size() : 0; }
    bool empty() const { return size() == 0; }
    const_iterator begin() const;
    const_iterator end() const;
    const ReviewGroup& operator[](size_type i) const { return *(*items_)[i]; }
    const ReviewGroup& at(size_type i) const;
    const ReviewGroup& front() const { return *items_->front(); }
    const ReviewGroup& back() const { return *items_->back(); }
    operator std::vector<ReviewGroup>() const;

    const_iterator insert(const_iterator at, Shared group);
    const_iterator insert(const_iterator at, ReviewGroup group);
    const_iterator erase(const_iterator at);
    void push_back(ReviewGroup group);
    void clear() { items_.reset(); }

    // Equal groups in equal order, whether shared or not.
    bool operator==(const ReviewGroups& other) const;

private:
    // The vector this copy may change: its own, or a fresh copy of the addresses.
    std::vector<Shared>& own();

    std::shared_ptr<std::vector<Shared>> items_;
};

} // namespace keepsift
