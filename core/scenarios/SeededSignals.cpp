#include <array>
#include <cstdint>

#include "core/scenarios/Scenario.hpp"

namespace keepsift {
namespace {

// FNV-1a in shape, but with 2^44 + 435 as multiplier: changing it would move every
// seeded print and with it the groups the scenarios are known for.
std::uint64_t momentHash(std::string_view moment) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char byte : moment)
        h = (h ^ byte) * 0x1000000001b3ULL;
    return h;
}

FeaturePrint momentPrint(std::string_view moment, double variation) {
    const std::uint64_t h = momentHash(moment);
    std::array<float, 8> values{};
    for (unsigned i = 0; i < 7; ++i)
        values[i] = static_cast<float>((h >> (8 * i)) % 1000) / 100.0f;
    values[7] = static_cast<float>(variation);
    return FeaturePrint(values);
}

} // namespace

Date Scenario::referenceDate() {
    static const Date reference = Date::fromUnix(1784016000.0);
    return reference;
}

FaceSignals Scenario::faceSignals(const SeededFace& face) {
    FaceSignals signals;
    signals.bounds = {face.atX - face.size / 2, face.atY - face.size / 2, face.size, face.size};
    signals.hasSmile = face.smiling;
    if (face.eyesOpen) {
        signals.leftEyeClosed = !*face.eyesOpen;
        signals.rightEyeClosed = !*face.eyesOpen;
        signals.eyeAspectRatio = *face.eyesOpen ? 0.28f : 0.06f;
    }
    signals.captureQuality = face.quality;
    signals.yawDegrees = face.yaw;
    signals.rollDegrees = 0.0f;
    signals.pitchDegrees = 0.0f;
    return signals;
}

PhotoSignals Scenario::signals(const SeededPhoto& photo) {
    PhotoSignals signals;
    signals.digest = "scenario-" + photo.name;
    signals.filename = photo.name;
    signals.capturedAt = referenceDate().adding(photo.secondsIn);
    signals.pixelWidth = photo.pixelWidth;
    signals.pixelHeight = photo.pixelHeight;
    signals.fileSize = photo.pixelWidth * photo.pixelHeight / 8;
    signals.storedPrint = momentPrint(photo.moment, photo.variation);
    signals.featurePrintRevision = std::string(PhotoSignals::printRevision);
    for (const auto& face : photo.faces)
        signals.faces.push_back(faceSignals(face));
    signals.aestheticsScore = photo.aesthetics;
    signals.sharpness = photo.sharpness;
    signals.isUtility = false;
    signals.hasCameraMetadata = photo.hasCameraMetadata;
    signals.hasCaptureMetadata = photo.hasCameraMetadata;
    signals.isFavourite = photo.isFavourite;
    signals.isEdited = photo.isEdited;
    signals.isInUserAlbum = photo.isInUserAlbum;
    return signals;
}

} // namespace keepsift
