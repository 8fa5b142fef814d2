#pragma once

#include <optional>
#include <string>

#include "core/storage/FileStorage.hpp"

namespace keepsift::keptcopies {

// Damaged files are kept for recovery by hand as "<name>.unreadable", then
// "<name>.unreadable.2" and on. A copy is never overwritten; beyond this many the oldest goes.
inline constexpr int limit = 5;

// The name of copy number `copy` of the file `name`, from 1.
std::string name(const std::string& file, int copy);

// Keeps the content as the next copy of the file, or moves the file itself there when the
// content is nothing (a file that cannot be read). The name of the copy, or nothing when
// the same content is already kept. Throws when the storage fails.
std::optional<std::string> keep(FileStorage& storage, const std::string& file,
                                const std::optional<Data>& content);

} // namespace keepsift::keptcopies
