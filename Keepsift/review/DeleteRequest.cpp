#include "Keepsift/review/DeleteRequest.hpp"

#include <algorithm>

namespace keepsift::app {

std::string DeleteRequest::id() const {
    std::vector<std::string> ids;
    ids.reserve(photos.size());
    for (const auto& photo : photos)
        ids.push_back(photo.assetID);
    std::sort(ids.begin(), ids.end());
    std::string joined;
    for (const auto& id : ids)
        joined += (joined.empty() ? "" : ",") + id;
    return joined;
}

} // namespace keepsift::app
