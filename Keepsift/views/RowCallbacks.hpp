#pragma once

#include <functional>
#include <string>

#include "core/review/ReviewGroup.hpp"

namespace keepsift::app {

// What a group row's controls ask of the list; every action activates the row first.
struct RowCallbacks {
    std::function<void(const ReviewGroup&, bool)> onSelect;
    std::function<void(const ReviewGroup&)> onActivate;
    std::function<void(const ReviewGroup&, const ReviewPhoto&)> onToggle;
    std::function<void(const ReviewGroup&)> onCompare;
    std::function<void(const ReviewGroup&)> onIgnore;
    std::function<void(const ReviewGroup&)> onReset;
    std::function<void(const ReviewGroup&)> onDelete;
    std::function<void(const ReviewGroup&, bool entered)> onHover;
};

} // namespace keepsift::app
