#pragma once

#include <string>

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// Listing failures with messages the application shows as they are. A library that cannot
// be listed completely is never reported as one whose photographs were deleted.

// The library's own folder is missing, not a folder, or empty although it held photographs
// (an unmounted drive, a sync client that has not started).
PortFetchError libraryUnavailable(const std::string& root, const std::string& why);
// A folder inside the library cannot be read.
PortFetchError folderUnreadable(const std::string& folder, int errnoValue);

} // namespace keepsift
