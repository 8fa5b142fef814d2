#include "core/grouping/GroupDraft.hpp"

namespace keepsift {

PhotoGroup copiedGroup(const GroupDraft& draft) {
    PhotoGroup group{std::string(draft.id), draft.kind, {}, draft.copies};
    group.photos.reserve(draft.photos.size());
    for (const auto* photo : draft.photos)
        group.photos.push_back(*photo);
    return group;
}

} // namespace keepsift
