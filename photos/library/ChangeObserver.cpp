#include "photos/library/ChangeObserver.hpp"

#include <algorithm>

#include "core/support/Unicode.hpp"
#include "photos/library/AuthorizationMapping.hpp"
#include "photos/library/RejectsAlbum.hpp"

namespace keepsift {
namespace {

std::vector<std::string> sortedDifference(const std::set<std::string>& from,
                                          const std::set<std::string>& without) {
    std::vector<std::string> result;
    std::copy_if(from.begin(), from.end(), std::back_inserter(result),
                 [&](const auto& id) { return !without.contains(id); });
    std::sort(result.begin(), result.end(), [](const auto& a, const auto& b) {
        const int order = unicode::compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return result;
}

// Nothing while the library cannot be read: its folder gone, or an unmounted drive's empty
// mount point, which shows no album either and must not read as an emptied one.
std::optional<std::set<std::string>> readableRejects(PhotoLibraryPort& port) {
    try {
        auto members = rejectsMembers(port);
        // Asked after the read, so that storage that went away during it counts as gone.
        if (!canRead(authorizationFromRaw(port.authorizationStatus()))) return std::nullopt;
        return members;
    } catch (const LibraryUnavailable&) {
        return std::nullopt;
    }
}

} // namespace

ChangeObserver::ChangeObserver(std::shared_ptr<PhotoLibraryPort> port,
                               Channel<LibraryChange>::Pointer stream)
    : port_(std::move(port)), stream_(std::move(stream)), knownRejects_(readableRejects(*port_)) {}

void ChangeObserver::photoLibraryDidChange() {
    auto current = readableRejects(*port_);
    change::RejectsAlbumChanged rejectsChange;
    {
        std::lock_guard lock(mutex_);
        if (current && knownRejects_) {
            rejectsChange.added = sortedDifference(*current, *knownRejects_);
            rejectsChange.removed = sortedDifference(*knownRejects_, *current);
        }
        if (current) knownRejects_ = std::move(current);
    }
    stream_->yield(change::NeedsRefresh{});
    if (!rejectsChange.added.empty() || !rejectsChange.removed.empty())
        stream_->yield(std::move(rejectsChange));
}

} // namespace keepsift
