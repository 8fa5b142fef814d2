#pragma once

#include <stdexcept>
#include <string>

namespace keepsift {

// The library could not be listed completely (its folder is gone, unmounted or unreadable).
// Callers keep what they know rather than read the short listing as deletions.
class LibraryUnavailable : public std::runtime_error {
public:
    explicit LibraryUnavailable(const std::string& message, std::string folder = {})
        : std::runtime_error(message), folder_(std::move(folder)) {}

    // The folder to blame, as the user knows it; empty when the library could not say.
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

} // namespace keepsift
