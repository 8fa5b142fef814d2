#pragma once

#include <string>
#include <unordered_map>

#include "core/review/ReviewGroup.hpp"

namespace keepsift::app {

// The heights of a group row, computed without building it, so the list knows where every
// one of thousands of rows lies while only those on screen exist.
class RowMetrics {
public:
    static constexpr int padding = 10;
    static constexpr int spacing = 10;
    static constexpr int divider = 1;
    static constexpr int cellPadding = 6;
    static constexpr int cellSpacing = 6;
    static constexpr int stripScrollPadding = 4;

    explicit RowMetrics(std::string language);

    const std::string& language() const { return language_; }
    int headerHeight() const { return headerHeight_; }
    int scrollBarHeight() const { return scrollBarHeight_; }
    // The tallest reason line of the group's photographs wrapped to `side` points; at least
    // one line, so an empty reason keeps its place.
    int reasonHeight(const ReviewGroup& group, int side);
    int cellHeight(const ReviewGroup& group, int side);
    int stripHeight(const ReviewGroup& group, int side, double available);
    int rowHeight(const ReviewGroup& group, int side, double available);
    // Where the strip starts below the row's top.
    int stripTop() const { return padding + divider + spacing + headerHeight_ + spacing; }

private:
    int wrappedHeight(const ReviewPhoto& photo, int side);

    std::string language_;
    int headerHeight_ = 0;
    int lineHeight_ = 0;
    int scrollBarHeight_ = 0;
    std::unordered_map<long long, int> wrapped_;
};

} // namespace keepsift::app
