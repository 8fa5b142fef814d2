#include "Keepsift/review/ReviewWindowState.hpp"

#include <algorithm>

#include "Keepsift/review/TrashTexts.hpp"
#include "core/layout/RowLayout.hpp"

namespace keepsift::app {
namespace {

const ReviewGroup* groupWithID(const ReviewList& list, const std::optional<std::string>& id) {
    if (!id) return nullptr;
    for (const auto& group : list.groups)
        if (group.id == *id) return &group;
    return nullptr;
}

std::optional<std::string> firstPhotoOf(const ReviewGroup* group) {
    if (!group || group->photos.empty()) return std::nullopt;
    return group->photos.front().assetID;
}

void append(std::vector<ReviewPhoto>& to, const ReviewGroup& group) {
    auto flagged = group.flaggedPhotos();
    to.insert(to.end(), flagged.begin(), flagged.end());
}

} // namespace

std::vector<const ReviewGroup*> ReviewWindowState::visibleGroups(const ReviewList& list) {
    std::vector<const ReviewGroup*> visible;
    for (const auto& group : list.groups)
        if (group.hasFlagged()) visible.push_back(&group);
    return visible;
}

bool ReviewWindowState::anyVisible(const ReviewList& list) {
    return std::any_of(list.groups.begin(), list.groups.end(),
                       [](const ReviewGroup& group) { return group.hasFlagged(); });
}

std::vector<ReviewPhoto> ReviewWindowState::allDiscards(const ReviewList& list) {
    std::vector<ReviewPhoto> photos;
    for (const auto& group : list.groups)
        append(photos, group);
    return photos;
}

const ReviewGroup* ReviewWindowState::comparedGroup(const ReviewList& list) const {
    if (!comparing) return nullptr;
    for (const auto& group : list.groups)
        for (const auto& photo : group.photos)
            if (photo.assetID == *comparing) return &group;
    return nullptr;
}

std::set<std::string> ReviewWindowState::selectedGroupIDs(const ReviewList& list) const {
    std::set<std::string> ids;
    for (const auto* group : visibleGroups(list))
        if (selected.contains(group->id)) ids.insert(group->id);
    return ids;
}

std::vector<ReviewPhoto> ReviewWindowState::selectedDiscards(const ReviewList& list) const {
    const auto ids = selectedGroupIDs(list);
    std::vector<ReviewPhoto> photos;
    for (const auto& group : list.groups)
        if (ids.contains(group.id)) append(photos, group);
    return photos;
}

std::size_t ReviewWindowState::allDiscardCount(const ReviewList& list) {
    std::size_t count = 0;
    for (const auto& group : list.groups)
        count += static_cast<std::size_t>(std::count_if(group.photos.begin(), group.photos.end(),
                                                        [](const auto& p) { return !p.isKeeper; }));
    return count;
}

std::size_t ReviewWindowState::selectedDiscardCount(const ReviewList& list) const {
    std::size_t count = 0;
    if (selected.empty()) return count;
    for (const auto& group : list.groups)
        if (selected.contains(group.id))
            count +=
                static_cast<std::size_t>(std::count_if(group.photos.begin(), group.photos.end(),
                                                       [](const auto& p) { return !p.isKeeper; }));
    return count;
}

double ReviewWindowState::availableWidth(double width) {
    return std::max(width - listInsets, RowLayout::minimumRowWidth);
}

double ReviewWindowState::cellSide(const ReviewGroup& group, double width) const {
    return RowLayout::side(static_cast<int>(group.photos.size()), availableWidth(width),
                           maximumCell);
}

KeyOutcome ReviewWindowState::handle(ReviewKey key, const ReviewList& list) {
    using Kind = ReviewKey::Kind;
    if (list.groups.empty()) return {};
    switch (key.kind) {
    case Kind::photo: {
        const ReviewGroup* group = groupWithID(list, activeGroup);
        if (!group || key.photo < 1 || key.photo > static_cast<int>(group->photos.size()))
            return {};
        return {true, group->photos[static_cast<std::size_t>(key.photo - 1)]};
    }
    case Kind::previousGroup:
    case Kind::nextGroup:
        followsActiveRow = true;
        return {moveActive(key.kind == Kind::nextGroup ? 1 : -1, list), std::nullopt};
    case Kind::toggleCompare: {
        if (comparing) {
            comparing.reset();
            return {true, std::nullopt};
        }
        std::string target = activeGroup ? *activeGroup : list.groups.front().id;
        activeGroup = target;
        comparing = firstPhotoOf(groupWithID(list, target));
        return {true, std::nullopt};
    }
    case Kind::close:
        if (!comparing) return {};
        comparing.reset();
        return {true, std::nullopt};
    case Kind::toggleSelection:
    case Kind::commit: {
        const ReviewGroup* group = groupWithID(list, activeGroup);
        if (!group || !group->hasFlagged()) return {};
        if (!selected.erase(group->id)) selected.insert(group->id);
        return {true, std::nullopt};
    }
    }
    return {};
}

bool ReviewWindowState::moveActive(int offset, const ReviewList& list) {
    const auto& groups = list.groups;
    if (groups.empty()) return false;
    auto at = std::find_if(groups.begin(), groups.end(), [&](const ReviewGroup& group) {
        return activeGroup && group.id == *activeGroup;
    });
    if (at == groups.end()) {
        activeGroup = groups.front().id;
        return true;
    }
    const auto index = static_cast<long>(at - groups.begin());
    const auto target = std::clamp(index + offset, 0L, static_cast<long>(groups.size()) - 1);
    const ReviewGroup& next = groups[static_cast<std::size_t>(target)];
    activeGroup = next.id;
    if (comparing) comparing = firstPhotoOf(&next);
    return true;
}

void ReviewWindowState::listShown(const ReviewList& list) {
    if (!activeGroup && !list.groups.empty()) activeGroup = list.groups.front().id;
}

void ReviewWindowState::activate(const std::string& groupID) {
    followsActiveRow = false;
    activeGroup = groupID;
}

void ReviewWindowState::select(const std::string& groupID, bool isSelected) {
    if (isSelected)
        selected.insert(groupID);
    else
        selected.erase(groupID);
}

void ReviewWindowState::compare(const ReviewGroup& group) {
    activeGroup = group.id;
    comparing = firstPhotoOf(&group);
}

void ReviewWindowState::requestDelete(std::set<std::string> groups,
                                      std::vector<ReviewPhoto> photos) {
    outcome.reset();
    outcomeMoved = false;
    confirming = DeleteRequest{std::move(groups), std::move(photos)};
}

void ReviewWindowState::deleteFinished(std::int64_t deleted,
                                       const std::optional<std::string>& notice,
                                       std::string_view language) {
    outcome = TrashTexts::deleteOutcome(deleted, notice, language);
    outcomeMoved = deleted > 0;
}

void ReviewWindowState::deleteGroup(const ReviewGroup& group) {
    requestDelete({group.id}, group.flaggedPhotos());
}

void ReviewWindowState::pointerEntered(const std::string& groupID) {
    hovered = groupID;
}

void ReviewWindowState::pointerLeft(const std::string& groupID) {
    if (hovered == groupID) hovered.reset();
}

// As the button's label says: leftover ids of groups with nothing to discard are no selection.
void ReviewWindowState::toggleSelectAll(const ReviewList& list) {
    const bool anySelected = selectedDiscardCount(list) > 0;
    selected.clear();
    if (anySelected) return;
    for (const auto* group : visibleGroups(list))
        selected.insert(group->id);
}

void ReviewWindowState::deleteSelected(const ReviewList& list) {
    requestDelete(selectedGroupIDs(list), selectedDiscards(list));
}

void ReviewWindowState::deleteAll(const ReviewList& list) {
    std::set<std::string> ids;
    for (const auto* group : visibleGroups(list))
        ids.insert(group->id);
    requestDelete(std::move(ids), allDiscards(list));
}

std::optional<DeleteRequest> ReviewWindowState::takeConfirmed() {
    auto request = std::move(confirming);
    confirming.reset();
    return request;
}

} // namespace keepsift::app
