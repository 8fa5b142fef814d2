#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// The identifier part of each name in one folder: its text form in NFC. Two names that
// differ only in normal form (one copied from another system) would share that form, so a
// name not already in NFC whose NFC form another entry shares is written byte for byte
// instead (every non-ASCII byte as its byte character, see NameText.hpp): every file keeps
// an identifier of its own, and the name in NFC keeps the one it always had.
class FolderNames {
public:
    explicit FolderNames(const std::vector<FolderEntry>& entries);

    std::string identifierOf(const std::string& name) const;
    // True when the name's identifier part does not depend on its neighbours.
    static bool standsAlone(const std::string& name);

private:
    // Filled only for a folder holding a name that is not in NFC.
    std::unordered_map<std::string, int> composedCounts_;
};

} // namespace keepsift
