#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/model/AssetReference.hpp"
#include "core/model/DateCoding.hpp"
#include "core/model/FileIdentity.hpp"

namespace keepsift {

// One photograph as the library lists it.
struct LibraryAsset {
    std::string id;
    std::string filename;
    std::optional<Date> createdAt;
    std::optional<Date> modifiedAt;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    std::int64_t fileSize = 0;
    bool isFavourite = false;
    bool isEdited = false;
    bool isInUserAlbum = false;
    bool isRejected = false;
    // None when the library does not say, as in indexes of earlier builds.
    std::optional<FileIdentity> file = std::nullopt;
    // When the newest rejects-album link to it was made, in nanoseconds since 1970, where the
    // library can vouch for it: the system keeps that time and its file's change time alike.
    std::optional<std::int64_t> linkedNs = std::nullopt;

    // The content may differ from an earlier listing of the same asset. Modification
    // dates compare at whole seconds: stored files keep only whole seconds.
    bool contentChanged(const LibraryAsset& earlier) const;
    // The file holds other bytes than at the earlier listing: its size differs, both known.
    bool sizeChanged(const LibraryAsset& earlier) const;
    // The file was replaced, rewritten or touched since the earlier listing, both known.
    bool fileMoved(const LibraryAsset& earlier) const;
    // Linked since its file last changed, or not proven so; none where the times are not known.
    std::optional<bool> linkedSinceChange() const;
    // Linked in an earlier tick of the clock than its file's last change.
    bool linkedBeforeChange() const;
    AssetReference reference() const;

    Json toJson(DateForm form) const;
    static LibraryAsset fromJson(const Json& json, DateForm form);

    bool operator==(const LibraryAsset&) const = default;
};

// Modification dates as the index keeps them: whole seconds.
bool sameModificationSecond(const std::optional<Date>& a, const std::optional<Date>& b);

} // namespace keepsift
