#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace keepsift {

// The photographs a confirmed batch is moving to the Trash, stored before the first one is
// moved: whatever comes in the middle of the batch (a reconciliation, a kill) records those
// that left the library as deleted by Keepsift, never as deleted elsewhere.
struct TrashIntent {
    static constexpr std::string_view fileName = "trash-intent.json";

    std::set<std::string> ids;
    // The journal's number for the batch, given when the first of it is recorded.
    std::optional<std::int64_t> batch;
    // False for the intent of an earlier launch: spent by the first reconciliation.
    bool inFlight = true;

    std::string encoded() const;
    // Nothing when the text is no intent.
    static std::optional<TrashIntent> decode(std::string_view text);
};

} // namespace keepsift
