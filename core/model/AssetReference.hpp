#pragma once

#include <optional>
#include <string>

namespace keepsift {

// What a signal source needs to read one photograph.
struct AssetReference {
    std::string digest;
    std::string filename;
    std::optional<std::string> fileURL; // a file path; when set, that file is read
    bool isFavourite = false;
    bool isEdited = false;
    bool isInUserAlbum = false;

    bool operator==(const AssetReference&) const = default;
};

} // namespace keepsift
