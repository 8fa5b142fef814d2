#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/ReviewedFile.hpp"

namespace keepsift {

// How the files of a photograph stand right before any of them moves to the Trash.
enum class FilesCheck {
    ready,
    // Its primary file is no longer at its place: nothing of it goes.
    gone,
    // Its primary file is no photograph now (a pipe, a link): nothing of it goes.
    notAPhotograph,
    changed,
    unreadable,
    // One of its files has no reviewed bytes to compare, on a drive whose file status proves
    // nothing: nothing of it goes until its bytes are known.
    unproven,
};

// What each file was reviewed as, by its path below the root.
using ReviewedFiles = std::map<std::string, ReviewedFile>;

struct CheckedFiles {
    FilesCheck outcome = FilesCheck::ready;
    // When ready, each file to move (below the root) with its stamp as checked, the primary
    // first; else the file the check stopped at.
    std::vector<std::pair<std::string, FileStamp>> files;
};

// Every file of the photograph against what was reviewed of it, before any moves, so that a
// photograph goes whole or not at all; a companion that is gone is nothing to move.
CheckedFiles checkFiles(const std::string& root, const CatalogueItem& item,
                        const ReviewedFiles& reviewed);

} // namespace keepsift
