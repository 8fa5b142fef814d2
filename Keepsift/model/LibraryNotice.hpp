#pragma once

#include <string>

namespace keepsift::app {

// The notice shown while the library cannot be listed: which folder is to blame and that the
// review is kept meanwhile. German exactly for "de", English otherwise.
std::string libraryUnavailableNotice(const std::string& folder, const std::string& language);

} // namespace keepsift::app
