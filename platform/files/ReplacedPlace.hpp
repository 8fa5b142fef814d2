#pragma once

#include <filesystem>
#include <optional>

namespace keepsift {

// Where a replacement of the file is written. A link in its place, as a dotfiles manager
// leaves, stays: the file it finally leads to is replaced when that is a regular file of this
// user's own, or missing in a folder of this user's own. A link to anything else, or into
// another user's files, is replaced itself, and what it leads to is never touched. Nothing for
// a link that cannot be followed to its end (a loop, a folder that is missing or cannot be
// looked into, as on storage that is away): that link is kept, and nothing is written.
std::optional<std::filesystem::path> replacedPlace(const std::filesystem::path& file);

} // namespace keepsift
