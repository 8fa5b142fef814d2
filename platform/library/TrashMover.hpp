#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/library/FileSystemOps.hpp"
#include "platform/library/ReviewedFile.hpp"
#include "platform/library/TrashFolder.hpp"

namespace keepsift {

// A file moved into a Trash, with what it takes to put it back where it was.
struct TrashedFile {
    Place original;
    TrashFolder trash;
    // Below the Trash's "files" folder; empty when nothing of it is in the Trash.
    std::string name;
    // Why a file found changed in the Trash could not be put back, where it could not.
    int putBackError = 0;

    std::string path() const { return trash.path() + "/files/" + name; }
};

// Moves files to the freedesktop.org Trash: the home trash for files on the drive of the
// user's data folder (and on its own), else the user's checked trash at the top of the
// file's mount. Nothing is ever copied.
class TrashMover {
public:
    TrashMover(std::shared_ptr<FileSystemOps> ops, std::filesystem::path homeTrash);

    // No error, or the errno value of what failed (the file then stays where it was), with
    // the reason when no Trash on the file's drive could be used safely. With the file as
    // it was checked (its stamp) and reviewed (its bytes), one that no longer holds that is
    // left alone: ESTALE. Where the file's status proves nothing of its bytes, what reached
    // the Trash is compared with the reviewed bytes, and other bytes are put back: ESTALE,
    // with `moved` naming where they stay when they could not be put back.
    TrashRefusal moveToTrash(const Place& file,
                             const std::optional<ReviewedFile>& expected = std::nullopt,
                             TrashedFile* moved = nullptr);
    // The file back at its place, never over one that appeared there meanwhile, and its
    // Trash entry gone; 0 or the errno value, the file then staying in the Trash.
    int putBack(TrashedFile& moved);
    // Why the file could not go to a Trash now, without moving it.
    TrashRefusal refusalFor(const Place& file);

private:
    struct Target {
        TrashFolder trash;
        std::string pathInInfo;
    };
    TrashRefusal targetFor(const Place& file, Target& target);
    TrashRefusal homeTarget(HomeTrash home, const std::string& path, dev_t drive, Target& target);
    int moveInto(const Place& file, const Target& target,
                 const std::optional<ReviewedFile>& expected, std::string& name);

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
