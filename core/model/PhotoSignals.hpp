#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/model/DateCoding.hpp"
#include "core/model/FaceSignals.hpp"
#include "core/model/FeaturePrint.hpp"

namespace keepsift {

// The measured description of one photograph.
struct PhotoSignals {
    // The print's recipe: a new recipe needs a new revision, so stored prints are measured
    // again instead of compared with prints of another recipe.
    static constexpr std::string_view printRevision = "GenerateImageFeaturePrint.revision2+detail9";
    static constexpr std::string_view recipe = "vision-2048/face-4096/rev3+photokit";

    std::string digest;
    std::string filename;
    std::optional<Date> capturedAt;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    std::int64_t fileSize = 0;
    FeaturePrint storedPrint; // JSON key "featurePrint"
    std::string featurePrintRevision;
    std::optional<std::int64_t> printLongEdge;
    std::vector<FaceSignals> faces;
    float aestheticsScore = 0;
    bool isUtility = false;
    float sharpness = 0;
    bool hasCameraMetadata = false;
    bool hasCaptureMetadata = false;
    bool isFavourite = false;
    bool isEdited = false;
    bool isInUserAlbum = false;

    std::vector<float> featurePrint() const { return storedPrint.values(); }
    void setFeaturePrint(std::span<const float> values) { storedPrint = FeaturePrint(values); }

    // Absent when the two prints cannot be compared.
    std::optional<double> printDistance(const PhotoSignals& other) const;

    double largestFaceArea() const;
    std::int64_t faceCount(double atLeastArea) const;
    std::int64_t pixelCount() const; // saturates instead of overflowing
    bool madeFromRendition() const { return printLongEdge.has_value(); }
    bool isMarkedByUser() const { return isFavourite || isInUserAlbum; }

    // Capture order: earlier date first when both are dated and differ, else file name.
    // Not a strict weak order on mixed dated and undated input; sort with a total order.
    static bool captureOrder(const PhotoSignals& a, const PhotoSignals& b);

    Json toJson(DateForm form) const;
    static PhotoSignals fromJson(const Json& json, DateForm form);

    // The same picture measured: every measured value equal as the index keeps it, whatever
    // the photograph's name and the user's flags.
    bool measuresAs(const PhotoSignals& other) const;
    // The same picture measured, whatever its capture date too.
    bool showsSamePicture(const PhotoSignals& other) const;

    bool operator==(const PhotoSignals&) const = default;
};

} // namespace keepsift
