#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace keepsift {

// The folders a launch may tidy, strongest first.
struct LibraryCandidates {
    // --library, else KEEPSIFT_LIBRARY; a relative name counts from the working folder.
    std::optional<std::string> named;
    // The folder an earlier launch named.
    std::optional<std::string> remembered;
    // XDG_PICTURES_DIR, when user-dirs.dirs sets it.
    std::optional<std::filesystem::path> xdgPictures;
    std::filesystem::path home;
    std::filesystem::path workingFolder;
};

// Which folder a launch tidies. The home folder itself, or a folder that holds it, is never
// the library: it would take in every picture of every program and put the rejects album
// among the user's own folders. Such a candidate is passed over.
struct LibraryChoice {
    enum class Source { named, remembered, pictures, missingPictures };

    // Absolute. With `missingPictures`, the Pictures folder that does not exist: nothing is
    // read until the user makes it or names a folder.
    std::filesystem::path root;
    Source source = Source::pictures;
    // A named folder that was passed over because it is (or holds) the home folder.
    std::optional<std::filesystem::path> refused;
};

LibraryChoice chooseLibrary(const LibraryCandidates& candidates);

// XDG_PICTURES_DIR from $XDG_CONFIG_HOME/user-dirs.dirs; nothing when unset or unreadable.
std::optional<std::filesystem::path> xdgPicturesSetting();

// What the running user's environment offers: home, working folder, XDG Pictures folder.
LibraryCandidates environmentCandidates(std::optional<std::string> named,
                                        std::optional<std::string> remembered);

} // namespace keepsift
