#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/model/Reason.hpp"
#include "core/support/Date.hpp"

namespace keepsift {

// One photograph as the review window shows it.
struct ReviewPhoto {
    std::string assetID;
    std::string filename;
    bool isKeeper = true; // false when flagged for discarding, by the engine or the user
    bool isUsers = false; // the state was set by the user's own decision
    std::optional<Reason> reason;
    std::optional<Date> createdAt;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    std::int64_t fileSize = 0;

    bool operator==(const ReviewPhoto&) const = default;
};

// One group of the review list, its photographs in display order.
struct ReviewGroup {
    std::string id;
    std::vector<ReviewPhoto> photos;
    std::optional<Date> capturedAt; // the latest capture date of its photographs

    std::vector<ReviewPhoto> flaggedPhotos() const;
    std::vector<ReviewPhoto> keepers() const;
    bool hasFlagged() const;
    // More than half of the photographs are taller than wide.
    bool isMostlyPortrait() const;

    bool operator==(const ReviewGroup&) const = default;
};

} // namespace keepsift
