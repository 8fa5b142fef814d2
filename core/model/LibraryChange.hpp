#pragma once

#include <string>
#include <variant>
#include <vector>

#include "core/model/LibraryAsset.hpp"
#include "core/model/LibraryEnums.hpp"

namespace keepsift {

// What the library reports while the program runs.
namespace change {
struct AssetsAdded {
    std::vector<LibraryAsset> assets;
    bool operator==(const AssetsAdded&) const = default;
};
struct AssetsChanged {
    std::vector<LibraryAsset> assets;
    bool operator==(const AssetsChanged&) const = default;
};
struct AssetsDeleted {
    std::vector<std::string> ids;
    bool operator==(const AssetsDeleted&) const = default;
};
// Membership of the rejects album changed outside the program's own writes.
struct RejectsAlbumChanged {
    std::vector<std::string> added;
    std::vector<std::string> removed;
    bool operator==(const RejectsAlbumChanged&) const = default;
};
struct AuthorizationChanged {
    LibraryAuthorization status;
    bool operator==(const AuthorizationChanged&) const = default;
};
struct NeedsRefresh {
    bool operator==(const NeedsRefresh&) const = default;
};
} // namespace change

using LibraryChange =
    std::variant<change::AssetsAdded, change::AssetsChanged, change::AssetsDeleted,
                 change::RejectsAlbumChanged, change::AuthorizationChanged, change::NeedsRefresh>;

} // namespace keepsift
