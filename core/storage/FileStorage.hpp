#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/storage/Data.hpp"

namespace keepsift {

// Takes the parts of a file in order.
using FilePartWriter = std::function<void(std::string_view)>;
// Makes a file by handing its parts, in order, to the writer it is given.
using FileParts = std::function<void(const FilePartWriter&)>;

// The largest file kept (the index of a library of some two million photographs).
inline constexpr std::size_t largestStoredFileBytes = std::size_t{4} << 30;

// A file read no larger than a bound.
struct StoredFile {
    // Nothing when it is missing or cannot be read.
    std::optional<Data> data;
    // Why a file that is there gave nothing; empty when it was read or is missing.
    std::string problem;
};

// Whole named files. Names are plain file names, never paths.
class FileStorage {
public:
    virtual ~FileStorage() = default;
    // Every failure reads as a missing file.
    virtual std::optional<Data> read(const std::string& name) const = 0;
    // The file when it is no larger than `limit` bytes, or why it could not be had.
    virtual StoredFile readAtMost(const std::string& name, std::size_t limit) const {
        auto data = read(name);
        if (data && data->size() > limit)
            return {std::nullopt, "larger than " + std::to_string(limit) + " bytes"};
        return {std::move(data), {}};
    }
    // Replaces the whole file; throws on failure and leaves any earlier content intact.
    virtual void write(const Data& data, const std::string& name) = 0;
    // Removing a missing file is not an error.
    virtual void remove(const std::string& name) = 0;

    // Replaces the whole file with the parts as they are made, so that a large file need
    // not be held whole; the same guarantees as write(). Joins them by default.
    virtual void writeParts(const FileParts& parts, const std::string& name) {
        Data whole;
        parts([&whole](std::string_view part) { whole.append(part); });
        write(whole, name);
    }

    // Why no file can be kept right now (no folder for them, no room, no permission), or
    // nothing. Looked at afresh on every call.
    virtual std::optional<std::string> unavailability() const { return std::nullopt; }
    // The errno value that keeps a stored file from being opened for a reason other than
    // its content (no permission, an input/output error); 0 when it opens or is missing.
    // Such a file is not damaged and is never replaced.
    virtual int openError(const std::string& name) const {
        (void)name;
        return 0;
    }

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
