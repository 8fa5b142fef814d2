#pragma once

#include <string>

namespace keepsift {

// True when the folder tree below `root` holds at least one photograph (a regular file of an
// image kind, hidden entries left out). Stops at the first one found. A tree that cannot be
// read counts as holding photographs: only storage that plainly went away says otherwise.
bool holdsAnyPhotograph(const std::string& root);
// True when the folder is gone (not a folder any more) or holds no photograph: what storage
// that went away leaves behind.
bool isBareFolder(const std::string& path);

} // namespace keepsift
