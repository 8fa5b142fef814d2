#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace keepsift::analytics {

// The free trial the tracker waits to see paid for.
struct StoredTrial {
    std::string productID;
    std::uint64_t originalTransactionID = 0;

    bool operator==(const StoredTrial&) const = default;
};

// {"productID": text, "originalTransactionID": integer}.
std::string encodeStoredTrial(const StoredTrial& trial);
// Nothing for anything but such an object.
std::optional<StoredTrial> decodeStoredTrial(const std::string& text);

} // namespace keepsift::analytics
