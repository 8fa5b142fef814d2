#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/library/FileSystemOps.hpp"
#include "platform/library/ReviewedFile.hpp"
#include "platform/library/TrashFolder.hpp"

namespace keepsift {

// Moves files to the freedesktop.org Trash: the home trash for files on its filesystem,
// else the user's checked trash at the top of the file's mount. Nothing is ever copied.
class TrashMover {
public:
    TrashMover(std::shared_ptr<FileSystemOps> ops, std::filesystem::path homeTrash);

    // No error, or the errno value of what failed (the file then stays where it was), with
    // the reason when no Trash on the file's drive could be used safely. With the file as
    // it was reviewed, one that no longer holds that is left alone: ESTALE.
    TrashRefusal moveToTrash(const Place& file,
                             const std::optional<ReviewedFile>& expected = std::nullopt);
    // Why the file could not go to a Trash now, without moving it.
    TrashRefusal refusalFor(const Place& file);

private:
    struct Target {
        TrashFolder trash;
        std::string pathInInfo;
    };
    TrashRefusal targetFor(const Place& file, Target& target);
    int moveInto(const Place& file, const Target& target,
                 const std::optional<ReviewedFile>& expected);

    std::shared_ptr<FileSystemOps> ops_;
    std::string homeTrash_;
};

// $XDG_DATA_HOME/Trash
std::filesystem::path defaultHomeTrash();
// Percent-encodes everything but unreserved characters and '/'.
std::string trashPathEscaped(const std::string& path);
// The name a file takes in the Trash at this attempt: its own, then numbered; shortened
// (its extension kept, on a character boundary) to at most `limit` bytes.
std::string trashCandidateName(const std::string& base, int attempt, size_t limit);

} // namespace keepsift
