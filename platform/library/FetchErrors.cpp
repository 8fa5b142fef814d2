#include "platform/library/FetchErrors.hpp"

#include <cstring>

namespace keepsift {

PortFetchError libraryUnavailable(const std::string& root, const std::string& why) {
    return PortFetchError("The photo library folder \u201C" + root + "\u201D is not available: " +
                              why + ". Keepsift keeps its review until the folder is back.",
                          root);
}

PortFetchError folderUnreadable(const std::string& folder, int errnoValue) {
    return PortFetchError("Keepsift cannot read the folder \u201C" + folder +
                              "\u201D of the photo library (" + std::strerror(errnoValue) +
                              "). Keepsift keeps its review until the folder can be read.",
                          folder);
}

} // namespace keepsift
