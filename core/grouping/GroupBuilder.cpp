#include "core/grouping/GroupBuilder.hpp"

#include <unordered_map>

#include "core/grouping/PhotoAddresses.hpp"
#include "core/grouping/PhotoOrders.hpp"
#include "core/grouping/Provenance.hpp"
#include "core/grouping/SessionClusterer.hpp"

namespace keepsift::GroupBuilder {
namespace {

std::vector<PhotoGroup> copiedGroups(const std::vector<GroupDraft>& drafts) {
    std::vector<PhotoGroup> groups;
    groups.reserve(drafts.size());
    for (const auto& draft : drafts)
        groups.push_back(copiedGroup(draft));
    return groups;
}

// Moves each photograph out of the storage the drafts point into; every photograph is in
// exactly one draft.
std::vector<PhotoGroup> movedGroups(std::vector<GroupDraft>& drafts,
                                    std::vector<PhotoSignals>& storage) {
    std::vector<PhotoGroup> groups;
    groups.reserve(drafts.size());
    for (auto& draft : drafts) {
        PhotoGroup group{std::string(draft.id), draft.kind, {}, std::move(draft.copies)};
        group.photos.reserve(draft.photos.size());
        for (const auto* photo : draft.photos)
            group.photos.push_back(std::move(storage[photo - storage.data()]));
        groups.push_back(std::move(group));
    }
    return groups;
}

} // namespace

std::vector<std::span<const PhotoSignals* const>>
sessionRanges(std::span<const PhotoSignals* const> photos, const GroupingPolicy& policy) {
    std::vector<std::span<const PhotoSignals* const>> result;
    size_t begin = 0;
    const auto close = [&](size_t end) {
        if (end > begin) result.push_back(photos.subspan(begin, end - begin));
        begin = end;
    };
    std::optional<Date> previous;
    for (size_t i = 0; i < photos.size(); ++i) {
        const auto& captured = photos[i]->capturedAt;
        if (!captured) {
            close(i);
            close(i + 1);
            previous.reset();
            continue;
        }
        const bool gap = previous && captured->since(*previous) > policy.sessionGap;
        const bool full = static_cast<std::int64_t>(i - begin) >= policy.maximumSessionLength;
        if (gap || full) close(i);
        previous = captured;
    }
    close(photos.size());
    return result;
}

void attachCopiesToDrafts(const std::map<std::string, std::string>& copies,
                          std::span<const PhotoSignals* const> signals,
                          std::vector<GroupDraft>& groups, bool groupsInOrder) {
    // Only the digests of originals are looked up; a later group wins a repeated digest.
    std::unordered_map<std::string_view, size_t> groupOfOriginal;
    for (const auto& [copy, original] : copies)
        groupOfOriginal.emplace(original, groups.size());
    for (size_t g = 0; g < groups.size(); ++g)
        for (const auto* photo : groups[g].photos)
            if (auto it = groupOfOriginal.find(photo->digest); it != groupOfOriginal.end())
                it->second = g;
    const std::unordered_map<std::string_view, std::string_view> originalOf(copies.begin(),
                                                                            copies.end());
    std::vector<bool> received(groups.size(), false);
    std::vector<const PhotoSignals*> setAside;
    for (const auto* photo : signals) {
        const auto copy = originalOf.find(photo->digest);
        if (copy == originalOf.end()) continue;
        const size_t g = groupOfOriginal.at(copy->second);
        if (g == groups.size()) {
            setAside.push_back(photo);
            continue;
        }
        groups[g].photos.push_back(photo);
        groups[g].copies[photo->digest] = copy->second;
        received[g] = true;
    }
    for (size_t g = 0; g < groups.size(); ++g) {
        // Clustered photographs already stand in group photo order; only new members move them.
        if (received[g] || !groupsInOrder) sortIntoGroupPhotoOrder(groups[g].photos);
        if (!groups[g].copies.empty() && groups[g].kind == PhotoGroup::Kind::solitary)
            groups[g].kind = PhotoGroup::Kind::moment;
    }
    for (const auto* photo : setAside)
        groups.push_back({photo->digest, PhotoGroup::Kind::solitary, {photo}, {}});
}

std::vector<PhotoGroup> build(std::vector<PhotoSignals> photos, const GroupingPolicy& policy) {
    auto drafts = draft(addressesOf(photos), policy);
    return movedGroups(drafts, photos);
}

std::vector<GroupDraft> draft(std::vector<const PhotoSignals*> ordered,
                              const GroupingPolicy& policy) {
    sortIntoCaptureOrder(ordered);
    const auto copies = Provenance::copies(ordered, policy);
    std::vector<const PhotoSignals*> originals;
    originals.reserve(ordered.size());
    for (const auto* photo : ordered)
        if (!copies.contains(photo->digest)) originals.push_back(photo);
    std::vector<GroupDraft> drafts;
    SessionClusterer clusterer(policy);
    for (const auto session : sessionRanges(originals, policy))
        clusterer.cluster(session, drafts);
    if (!copies.empty()) attachCopiesToDrafts(copies, ordered, drafts, true);
    return drafts;
}

std::vector<std::vector<PhotoSignals>> sessions(const std::vector<PhotoSignals>& photos,
                                                const GroupingPolicy& policy) {
    const auto addresses = addressesOf(photos);
    std::vector<std::vector<PhotoSignals>> result;
    for (const auto session : sessionRanges(addresses, policy)) {
        auto& copy = result.emplace_back();
        for (const auto* photo : session)
            copy.push_back(*photo);
    }
    return result;
}

std::vector<PhotoGroup> clusterSession(const std::vector<PhotoSignals>& session,
                                       const GroupingPolicy& policy) {
    std::vector<GroupDraft> drafts;
    clusterSessionInto(addressesOf(session), policy, drafts);
    return copiedGroups(drafts);
}

std::vector<PhotoGroup> attachCopies(const std::map<std::string, std::string>& copies,
                                     const std::vector<PhotoSignals>& signals,
                                     const std::vector<PhotoGroup>& groups) {
    std::vector<GroupDraft> drafts;
    drafts.reserve(groups.size());
    for (const auto& group : groups) {
        auto& draft = drafts.emplace_back(GroupDraft{group.id, group.kind, {}, group.copies});
        for (const auto& photo : group.photos)
            draft.photos.push_back(&photo);
    }
    attachCopiesToDrafts(copies, addressesOf(signals), drafts, false);
    return copiedGroups(drafts);
}

} // namespace keepsift::GroupBuilder
