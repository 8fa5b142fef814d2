#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace keepsift {

// What the utility rule looks at besides pixels.
struct UtilityEvidence {
    std::string filename;
    std::optional<std::string> software;
    bool isPng = false;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    bool hasCameraMetadata = false;
};

// A picture is a utility image (screenshot, receipt capture) only on strong evidence, since
// a false answer drops a real photograph from grouping: a file name or software tag that
// names a screenshot, or a PNG of a common screen size without camera metadata.
bool isUtilityImage(const UtilityEvidence& evidence);

} // namespace keepsift
