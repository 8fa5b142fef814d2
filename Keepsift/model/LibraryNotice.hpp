#pragma once

#include <string>

namespace keepsift::app {

// The notice shown while the library cannot be listed: which folder is to blame and that the
// review is kept meanwhile. German exactly for "de", English otherwise.
std::string libraryUnavailableNotice(const std::string& folder, const std::string& language);

// The notice shown when no library was named and the Pictures folder, the only folder that
// would be read then, does not exist: what to do to name one. `command` starts this Keepsift
// from a shell, wherever the user is.
std::string missingPicturesNotice(const std::string& folder, const std::string& command,
                                  const std::string& language);

} // namespace keepsift::app
