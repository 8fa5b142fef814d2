#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace keepsift {

// The bytes a photograph was reviewed with: the digest of its file as it was measured, and
// its size (0 when not known).
struct ReviewedBytes {
    std::string digest;
    std::int64_t size = 0;

    bool operator==(const ReviewedBytes&) const = default;
};

// By asset identifier.
using ReviewedContents = std::map<std::string, ReviewedBytes>;

} // namespace keepsift
