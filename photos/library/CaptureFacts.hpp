#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace keepsift {

// Whether a photograph's file still tells when it was taken and with what camera.
struct CaptureFacts {
    bool hasOriginalDate = false;
    bool hasCameraMake = false;

    // Absent when the bytes are not an image whose properties can be read.
    static std::optional<CaptureFacts> read(const std::vector<std::uint8_t>& file);

    bool operator==(const CaptureFacts&) const = default;
};

} // namespace keepsift
