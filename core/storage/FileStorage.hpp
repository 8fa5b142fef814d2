#pragma once

#include <optional>
#include <string>

#include "core/storage/Data.hpp"

namespace keepsift {

// Whole named files. Names are plain file names, never paths.
class FileStorage {
public:
    virtual ~FileStorage() = default;
    // Every failure reads as a missing file.
    virtual std::optional<Data> read(const std::string& name) const = 0;
    // Replaces the whole file; throws on failure and leaves any earlier content intact.
    virtual void write(const Data& data, const std::string& name) = 0;
    // Removing a missing file is not an error.
    virtual void remove(const std::string& name) = 0;
};

} // namespace keepsift
