#pragma once

#include <string>

#include "platform/library/CatalogueWalk.hpp"

namespace keepsift {

// Whether a file's bytes are held on this machine.
enum class Residency { resident, inCloud, unknown };

// From what the listing already knows, without opening anything: a sync client's
// placeholder, or a sparse file with a size but no allocated blocks, is in the cloud.
bool isKnownNonResident(const CatalogueResource& resource);

// Adds the filesystem's kind: FUSE and network filesystems without such a signal cannot tell.
Residency residencyOf(const std::string& absolutePath, const CatalogueResource& resource);

} // namespace keepsift
