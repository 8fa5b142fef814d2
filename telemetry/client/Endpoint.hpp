#pragma once

#include <optional>
#include <string>

namespace keepsift::analytics {

// The base with one "/" after it, then "v2/namespace/<namespace>/" for a non-empty
// namespace, else "v2/"; nothing when the result is no URL.
std::optional<std::string> endpointURL(const std::string& base,
                                       const std::optional<std::string>& ingestNamespace);

} // namespace keepsift::analytics
