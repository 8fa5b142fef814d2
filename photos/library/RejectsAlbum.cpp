#include "photos/library/RejectsAlbum.hpp"

#include "core/support/Unicode.hpp"
#include "photos/library/LivePhotoLibrary.hpp"

namespace keepsift {

std::optional<PortAssetCollection> rejectsAlbum(PhotoLibraryPort& port) {
    auto albums = port.fetchRegularAlbumsTitled(std::string(LivePhotoLibrary::rejectsAlbumTitle));
    if (albums.empty()) return std::nullopt;
    return albums.front();
}

std::set<std::string> memberSet(PhotoLibraryPort& port, const PortAssetCollection& album) {
    auto members = port.memberIdentifiers(album);
    return {members.begin(), members.end()};
}

std::set<std::string> rejectsMembers(PhotoLibraryPort& port) {
    auto album = rejectsAlbum(port);
    return album ? memberSet(port, *album) : std::set<std::string>{};
}

std::map<std::string, std::optional<std::int64_t>> rejectsMembersWithTimes(PhotoLibraryPort& port) {
    std::map<std::string, std::optional<std::int64_t>> members;
    if (const auto album = rejectsAlbum(port))
        for (auto& member : port.membersWithTimes(*album))
            members.insert_or_assign(std::move(member.localIdentifier), member.addedNs);
    return members;
}

bool hasRejectsTitle(const PortAssetCollection& album) {
    return album.localizedTitle &&
           unicode::equal(*album.localizedTitle, LivePhotoLibrary::rejectsAlbumTitle);
}

} // namespace keepsift
