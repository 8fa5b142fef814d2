#pragma once

#include <memory>
#include <string>

#include "core/storage/UserDefaults.hpp"

namespace keepsift::analytics {

// "com.ambervale.analytics." and the last 12 characters of the unsalted SHA-256 of the
// application identifier.
std::string clientSuiteName(const std::string& appID);

// The client's own defaults suite, in the user's config folder like every defaults domain;
// one instance per suite in the process. Nothing when there is no config folder.
std::shared_ptr<UserDefaults> openClientSuite(const std::string& appID);

} // namespace keepsift::analytics
