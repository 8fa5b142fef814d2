#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// Reads album links by the path each one's own text names, with the folders on its way
// resolved (a folder link inside the library, a link to the library from outside) but never
// its last part: a photograph replaced by a link to another names that link, not the other.
// Made for one read of an album, so that the library's real path and each folder named are
// resolved once for all its links.
class LinkTargets {
public:
    explicit LinkTargets(const std::string& root);

    // False when the library itself cannot be resolved: no link can be read then.
    bool ready() const { return !realRoot_.empty(); }
    // Relative to the library; empty for a link that cannot be read or leads out of it.
    std::string namedRelative(const Place& link);

private:
    // Relative to the library: "." for the library itself, empty for a folder outside it, and
    // none when the folder cannot be resolved (missing, unreadable, on storage that is away).
    const std::optional<std::string>& folderInLibrary(const std::string& folder);
    std::string lexicalRelative(const Place& link, const std::filesystem::path& target) const;

    std::string realRoot_;
    std::map<std::string, std::optional<std::string>> folders_;
};

} // namespace keepsift
