#pragma once

#include <string>

namespace keepsift::app {

// The notice shown while the rejects album lags behind the review because it cannot be
// written: the decisions are kept, the album follows later. German exactly for "de", English
// otherwise.
std::string albumNotUpdatedNotice(const std::string& reason, const std::string& language);

} // namespace keepsift::app
