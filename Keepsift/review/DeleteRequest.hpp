#pragma once

#include <set>
#include <string>
#include <vector>

#include "core/review/ReviewGroup.hpp"

namespace keepsift::app {

// The batch waiting for the delete confirmation: two requests for the same photographs are
// the same request.
struct DeleteRequest {
    std::set<std::string> groups;
    std::vector<ReviewPhoto> photos;

    // The photographs' identifiers, sorted, joined with ",".
    std::string id() const;
    bool operator==(const DeleteRequest&) const = default;
};

} // namespace keepsift::app
