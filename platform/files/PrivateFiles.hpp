#pragma once

#include <filesystem>
#include <system_error>

namespace keepsift {

// Creates the folder and every missing folder above it 0700, as the XDG base directory
// specification asks, so that nothing Keepsift keeps is readable by other users. Folders
// that exist keep their mode. Answers what failed.
std::error_code createPrivateFolders(const std::filesystem::path& folder);

// The same, and then the folder itself (Keepsift's own) is made 0700 should an earlier
// version have made it readable by others. One of another user's (also where a link there
// leads) is never used nor changed: anotherUsersFolder(). Answers what failed.
std::error_code makePrivateFolder(const std::filesystem::path& folder);

// "it belongs to another user"
std::error_code anotherUsersFolder();

// A file of Keepsift's own that others may not read: created empty 0600 when missing,
// made 0600 when it is there (never waiting for a pipe in its place). A link in its place is
// followed where replacedPlace() says so, and fails otherwise. Answers what failed.
std::error_code makePrivateFile(const std::filesystem::path& file);

} // namespace keepsift
