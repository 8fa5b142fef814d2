#pragma once

#include <cstdint>

#include "core/model/LibraryEnums.hpp"
#include "core/review/ReviewList.hpp"

namespace keepsift {

// The engine's state as the interface sees it: a value, unchanged by later engine work.
struct EngineSnapshot {
    LibraryAuthorization authorization = LibraryAuthorization::notDetermined;
    ReviewList review;
    bool batchIsFull = false;
    std::int64_t waiting = 0; // queued plus awaiting their originals
    bool hasCompletedFirstPass = false;
    std::int64_t analysed = 0; // entries with signals or a skip reason, deleted ones included
    std::int64_t known = 0;    // entries not deleted

    bool operator==(const EngineSnapshot&) const = default;
};

} // namespace keepsift
