#include "core/model/FaceSignals.hpp"

#include <algorithm>
#include <cmath>

namespace keepsift {
namespace {

Json flag(bool value) {
    return Json(value);
}
bool readFlag(const Json& json) {
    return json.asBool();
}
Json float32(float value) {
    return Json::number32(value);
}
float readFloat(const Json& json) {
    return json.asFloat();
}

} // namespace

double NormalisedBounds::centreOffset() const {
    const double dx = 2 * (midX() - 0.5);
    const double dy = 2 * (midY() - 0.5);
    return std::min(std::sqrt(dx * dx + dy * dy) / 1.4142135623730951, 1.0);
}

Json NormalisedBounds::toJson() const {
    Json json = Json::object();
    json.set("x", Json::number(x))
        .set("y", Json::number(y))
        .set("width", Json::number(width))
        .set("height", Json::number(height));
    return json;
}

NormalisedBounds NormalisedBounds::fromJson(const Json& json) {
    return {json.at("x").asDouble(), json.at("y").asDouble(), json.at("width").asDouble(),
            json.at("height").asDouble()};
}

std::optional<bool> FaceSignals::eyesOpen() const {
    if (!leftEyeClosed || !rightEyeClosed) return std::nullopt;
    return !*leftEyeClosed && !*rightEyeClosed;
}

Json FaceSignals::toJson() const {
    Json json = Json::object();
    json.set("bounds", bounds.toJson());
    writeOptional(json, "hasSmile", hasSmile, flag);
    writeOptional(json, "leftEyeClosed", leftEyeClosed, flag);
    writeOptional(json, "rightEyeClosed", rightEyeClosed, flag);
    writeOptional(json, "captureQuality", captureQuality, float32);
    writeOptional(json, "eyeAspectRatio", eyeAspectRatio, float32);
    writeOptional(json, "yawDegrees", yawDegrees, float32);
    writeOptional(json, "rollDegrees", rollDegrees, float32);
    writeOptional(json, "pitchDegrees", pitchDegrees, float32);
    return json;
}

FaceSignals FaceSignals::fromJson(const Json& json) {
    FaceSignals face;
    face.bounds = NormalisedBounds::fromJson(json.at("bounds"));
    face.hasSmile = readOptional<bool>(json, "hasSmile", readFlag);
    face.leftEyeClosed = readOptional<bool>(json, "leftEyeClosed", readFlag);
    face.rightEyeClosed = readOptional<bool>(json, "rightEyeClosed", readFlag);
    face.captureQuality = readOptional<float>(json, "captureQuality", readFloat);
    face.eyeAspectRatio = readOptional<float>(json, "eyeAspectRatio", readFloat);
    face.yawDegrees = readOptional<float>(json, "yawDegrees", readFloat);
    face.rollDegrees = readOptional<float>(json, "rollDegrees", readFloat);
    face.pitchDegrees = readOptional<float>(json, "pitchDegrees", readFloat);
    return face;
}

} // namespace keepsift
