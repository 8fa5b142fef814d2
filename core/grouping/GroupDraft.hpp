#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/PhotoGroup.hpp"

namespace keepsift {

// A group while it is being built: photographs by address, so nothing is copied until the
// groups are final.
struct GroupDraft {
    std::string_view id; // the digest of a photograph of the group
    PhotoGroup::Kind kind = PhotoGroup::Kind::solitary;
    std::vector<const PhotoSignals*> photos;
    std::map<std::string, std::string> copies;
};

// Copies the photographs into a group.
PhotoGroup copiedGroup(const GroupDraft& draft);

} // namespace keepsift
