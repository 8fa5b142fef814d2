#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace keepsift {

// What the catalogue keeps of one file, read from its header alone (no pixels decoded).
struct FileFacts {
    bool readable = false;
    // Upright: already swapped for orientations 5 to 8.
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    // EXIF DateTimeOriginal as written ("YYYY:MM:DD HH:MM:SS", the camera's local time).
    std::optional<std::string> dateTimeOriginal;
    int orientation = 1;
    // XMP rating, embedded or in the sidecar.
    std::optional<int> rating;
    // A sidecar that records an editor's history.
    bool editHistory = false;

    bool operator==(const FileFacts&) const = default;
};

// Reads an image's header metadata; an unreadable file gives facts with readable false.
FileFacts readImageFacts(const std::string& path);
// Reads an XMP sidecar: its rating and whether it carries an edit history.
FileFacts readSidecarFacts(const std::string& path);

} // namespace keepsift
