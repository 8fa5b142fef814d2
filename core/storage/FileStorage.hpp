#pragma once

#include <optional>
#include <stdexcept>
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

    // Whether anything is stored under the name, readable or not.
    virtual bool exists(const std::string& name) const { return read(name).has_value(); }
    // Puts the file under another name, replacing what is there; throws on failure.
    virtual void move(const std::string& from, const std::string& to) {
        const auto data = read(from);
        if (!data) throw std::runtime_error("cannot read " + from);
        write(*data, to);
        remove(from);
    }
};

} // namespace keepsift
