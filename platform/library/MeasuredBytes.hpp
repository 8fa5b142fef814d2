#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// The bytes of the file read last for measuring, kept until the digest of the same file is
// read: the digest then comes from the very bytes measured, and the file is read once,
// however slow its drive or unprovable its status.
class MeasuredBytes {
public:
    struct Read {
        std::string relative;
        // As the file was opened for the read, and the stamp that proves the bytes where one
        // does.
        FileStamp stamp;
        std::optional<FileStamp> proving;
        std::vector<std::uint8_t> bytes;
    };

    void keep(Read read);
    // The bytes kept of the file at this place, taken, while it still shows the status it was
    // read with; none otherwise, and the file is to be read.
    std::optional<Read> take(const Place& file);

private:
    std::mutex mutex_;
    std::optional<Read> kept_;
};

} // namespace keepsift
