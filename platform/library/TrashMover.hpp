#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// Moves files to the freedesktop.org Trash: the home trash for files on its filesystem,
// else the trash at the top of the file's mount ($topdir/.Trash/$uid or .Trash-$uid).
class TrashMover {
public:
    TrashMover(std::shared_ptr<FileSystemOps> ops, std::filesystem::path homeTrash);

    // 0, or the errno value of what failed (the file then stays where it was).
    int moveToTrash(const std::string& absolutePath);

private:
    struct Target {
        std::string directory;
        std::string pathInInfo;
    };
    int targetFor(const std::string& absolutePath, Target& target);
    int prepare(const std::string& trash);
    int moveInto(const std::string& absolutePath, const Target& target);

    std::shared_ptr<FileSystemOps> ops_;
    std::string homeTrash_;
};

// $XDG_DATA_HOME/Trash
std::filesystem::path defaultHomeTrash();
// Percent-encodes everything but unreserved characters and '/'.
std::string trashPathEscaped(const std::string& path);

} // namespace keepsift
