#pragma once

#include "core/model/LibraryEnums.hpp"

namespace keepsift {

// The service's raw read-write status; unknown values count as not yet asked.
LibraryAuthorization authorizationFromRaw(int rawStatus);

} // namespace keepsift
