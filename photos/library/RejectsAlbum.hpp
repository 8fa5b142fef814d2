#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// The album is looked up afresh every time: it may be renamed, deleted or recreated behind
// our back.
std::optional<PortAssetCollection> rejectsAlbum(PhotoLibraryPort& port);
std::set<std::string> memberSet(PhotoLibraryPort& port, const PortAssetCollection& album);
// Empty when there is no rejects album.
std::set<std::string> rejectsMembers(PhotoLibraryPort& port);
// The same, each with when it was linked where the service knows it.
std::map<std::string, std::optional<std::int64_t>> rejectsMembersWithTimes(PhotoLibraryPort& port);
bool hasRejectsTitle(const PortAssetCollection& album);

} // namespace keepsift
