#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/library/LibraryChoice.hpp"

namespace keepsift {
class UserDefaults;
}

namespace keepsift::app {

// The library a launch names is remembered with the settings, so that a launch without a
// name (at login, from the desktop menu, handed over to the running one) tidies the same
// folder. A launch that names another folder switches to it; each library keeps its own
// index and journal, so two libraries' decisions never mix and switching back finds the
// earlier review again.
inline constexpr const char* rememberedLibraryKey = "keepsift.libraryFolder";

std::optional<std::string> rememberedLibrary(const UserDefaults& defaults);
// This launch's library; a named folder that is used is remembered.
LibraryChoice settleLibrary(UserDefaults& defaults, std::optional<std::string> named);

// Where the library's index and journal live: <support>/libraries/<key>, the key made from
// the folder's real path.
std::string libraryKey(const std::filesystem::path& library);
std::filesystem::path librariesFolder(const std::filesystem::path& support);
std::filesystem::path libraryDataFolder(const std::filesystem::path& support,
                                        const std::filesystem::path& library);
// An index and journal from before libraries had folders of their own lie in the support
// folder itself; they describe the folder the earlier launches read, which is this launch's
// unless the user names another one at the same moment. They move into `folder` while it
// holds neither, so an upgrade keeps the review.
void adoptSharedFiles(const std::filesystem::path& support, const std::filesystem::path& folder);

} // namespace keepsift::app
