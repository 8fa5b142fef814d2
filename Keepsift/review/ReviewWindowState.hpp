#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Keepsift/review/DeleteRequest.hpp"
#include "Keepsift/review/ReviewKey.hpp"
#include "core/review/ReviewList.hpp"

namespace keepsift::app {

// What a key or a click asks of the model besides the window's own state.
struct KeyOutcome {
    bool handled = false;
    std::optional<ReviewPhoto> toggle; // flip this photograph's keep/discard
};

// The review window's own state and every rule that reads or writes it. The review list is
// the model's published one, passed in on every call; nothing of it is kept here.
struct ReviewWindowState {
    std::optional<std::string> activeGroup;
    std::optional<std::string> hovered;
    std::optional<std::string> comparing; // a photograph of the compared group
    std::optional<DeleteRequest> confirming;
    std::set<std::string> selected;
    double maximumCell = 260.0;
    bool followsActiveRow = false;
    std::optional<std::string> outcome;
    // The outcome says that photographs went to the Trash.
    bool outcomeMoved = false;

    static constexpr double minimumSlider = 140.0;
    static constexpr double maximumSlider = 520.0;
    // The list's padding and the row's own insets around the photo strip.
    static constexpr double listInsets = 56.0;

    // Queries over the list.
    static std::vector<const ReviewGroup*> visibleGroups(const ReviewList& list);
    static bool anyVisible(const ReviewList& list);
    static std::vector<ReviewPhoto> allDiscards(const ReviewList& list);
    const ReviewGroup* comparedGroup(const ReviewList& list) const;
    std::set<std::string> selectedGroupIDs(const ReviewList& list) const;
    std::vector<ReviewPhoto> selectedDiscards(const ReviewList& list) const;
    // The sizes of the two lists above, without copying them.
    static std::size_t allDiscardCount(const ReviewList& list);
    std::size_t selectedDiscardCount(const ReviewList& list) const;

    // Sizes for a list area `width` points wide.
    static double availableWidth(double width);
    double cellSide(const ReviewGroup& group, double width) const;

    // Keys.
    KeyOutcome handle(ReviewKey key, const ReviewList& list);
    bool moveActive(int offset, const ReviewList& list);

    // The list appeared: the first group becomes active when none is.
    void listShown(const ReviewList& list);

    // Row callbacks.
    void activate(const std::string& groupID);
    void select(const std::string& groupID, bool selected);
    void compare(const ReviewGroup& group);
    void requestDelete(std::set<std::string> groups, std::vector<ReviewPhoto> photos);
    void deleteGroup(const ReviewGroup& group);
    void pointerEntered(const std::string& groupID);
    void pointerLeft(const std::string& groupID);

    // Footer actions.
    void toggleSelectAll(const ReviewList& list);
    void deleteSelected(const ReviewList& list);
    void deleteAll(const ReviewList& list);

    // The alert's buttons: Cancel drops the request; Delete takes it for the model.
    void cancelDelete() { confirming.reset(); }
    std::optional<DeleteRequest> takeConfirmed();
    // The outcome line of a confirmed delete that moved `deleted` photographs, given the
    // model's notice once it finished.
    void deleteFinished(std::int64_t deleted, const std::optional<std::string>& notice,
                        std::string_view language);
};

} // namespace keepsift::app
