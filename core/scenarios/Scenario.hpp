#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/LibraryEnums.hpp"
#include "core/model/PhotoSignals.hpp"
#include "core/settings/Settings.hpp"
#include "core/settings/WorkConditions.hpp"
#include "core/support/Date.hpp"

namespace keepsift {

struct AppSnapshot;

// The named interface-test situations: small seeded libraries under fixed conditions.
// Every time is an offset from one reference date and every digest comes from a file
// name, so a scenario gives the same groups, scores and reasons on every machine.
struct Scenario {
    // One face, in coordinates normalised to the image.
    struct SeededFace {
        double size = 0;
        double atX = 0;
        double atY = 0;
        std::optional<bool> smiling;
        std::optional<bool> eyesOpen;
        std::optional<float> quality;
        std::optional<float> yaw;

        bool operator==(const SeededFace&) const = default;
    };

    struct SeededPhoto {
        std::string name;
        std::string moment; // shots of one moment get near-identical prints
        double variation = 0;
        double secondsIn = 0;
        std::vector<SeededFace> faces;
        float aesthetics = 0;
        float sharpness = 0;
        std::int64_t pixelWidth = 0;
        std::int64_t pixelHeight = 0;
        bool hasCameraMetadata = false;
        bool isFavourite = false;
        bool isEdited = false;
        bool isInUserAlbum = false;

        bool operator==(const SeededPhoto&) const = default;
    };

    struct Definition {
        std::string name;
        std::string summary;
        std::vector<SeededPhoto> photos;
        WorkConditions conditions;
        LibraryAuthorization authorization = LibraryAuthorization::authorized;
        std::string language = "en";

        Settings settings() const;
        // The stored conditions, but the library is readable exactly when access allows it.
        WorkConditions effectiveConditions() const;
        // What the application would show: grouping and keeper selection run directly.
        AppSnapshot snapshot() const;
        std::string renderedState() const;

        bool operator==(const Definition&) const = default;
    };

    // 2026-07-14 08:00:00 UTC.
    static Date referenceDate();
    static const std::vector<Definition>& all();
    static std::vector<std::string> names();
    // Case-sensitive; nothing for an unknown name.
    static std::optional<Definition> named(std::string_view name);
    static PhotoSignals signals(const SeededPhoto& photo);
    static FaceSignals faceSignals(const SeededFace& face);
};

} // namespace keepsift
