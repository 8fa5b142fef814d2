#include "core/model/PhotoSignals.hpp"

#include <algorithm>

#include "core/model/LibraryAsset.hpp"
#include "core/support/Checked.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {

std::optional<double> PhotoSignals::printDistance(const PhotoSignals& other) const {
    if (featurePrintRevision != other.featurePrintRevision) return std::nullopt;
    if (printLongEdge != other.printLongEdge) return std::nullopt;
    if (storedPrint.isEmpty() || storedPrint.count() != other.storedPrint.count())
        return std::nullopt;
    return euclideanDistance(storedPrint, other.storedPrint);
}

double PhotoSignals::largestFaceArea() const {
    double largest = 0;
    for (const auto& face : faces)
        largest = std::max(largest, face.bounds.area());
    return largest;
}

std::int64_t PhotoSignals::faceCount(double atLeastArea) const {
    return std::count_if(faces.begin(), faces.end(),
                         [&](const FaceSignals& f) { return f.bounds.area() >= atLeastArea; });
}

std::int64_t PhotoSignals::pixelCount() const {
    return saturatingMultiply(pixelWidth, pixelHeight);
}

bool PhotoSignals::captureOrder(const PhotoSignals& a, const PhotoSignals& b) {
    if (a.capturedAt && b.capturedAt && *a.capturedAt != *b.capturedAt)
        return *a.capturedAt < *b.capturedAt;
    return unicode::less(a.filename, b.filename);
}

Json PhotoSignals::toJson(DateForm form) const {
    Json json = Json::object();
    json.set("digest", digest).set("filename", filename);
    writeOptional(json, "capturedAt", capturedAt, [form](Date d) { return dateToJson(d, form); });
    json.set("pixelWidth", Json::integer(pixelWidth))
        .set("pixelHeight", Json::integer(pixelHeight))
        .set("fileSize", Json::integer(fileSize))
        .set("featurePrint", storedPrint.toJson())
        .set("featurePrintRevision", featurePrintRevision);
    writeOptional(json, "printLongEdge", printLongEdge, Json::integer);
    Json faceList = Json::array();
    for (const auto& face : faces)
        faceList.push(face.toJson());
    json.set("faces", std::move(faceList))
        .set("aestheticsScore", Json::number32(aestheticsScore))
        .set("isUtility", isUtility)
        .set("sharpness", Json::number32(sharpness))
        .set("hasCameraMetadata", hasCameraMetadata)
        .set("hasCaptureMetadata", hasCaptureMetadata)
        .set("isFavourite", isFavourite)
        .set("isEdited", isEdited)
        .set("isInUserAlbum", isInUserAlbum);
    return json;
}

PhotoSignals PhotoSignals::fromJson(const Json& json, DateForm form) {
    PhotoSignals s;
    s.digest = json.at("digest").asString();
    s.filename = json.at("filename").asString();
    s.capturedAt = readOptional<Date>(json, "capturedAt",
                                      [form](const Json& j) { return dateFromJson(j, form); });
    s.pixelWidth = json.at("pixelWidth").asInt64();
    s.pixelHeight = json.at("pixelHeight").asInt64();
    s.fileSize = json.at("fileSize").asInt64();
    s.storedPrint = FeaturePrint::fromJson(json.at("featurePrint"));
    s.featurePrintRevision = json.at("featurePrintRevision").asString();
    s.printLongEdge = readOptional<std::int64_t>(json, "printLongEdge",
                                                 [](const Json& j) { return j.asInt64(); });
    for (const auto& face : json.at("faces").asArray())
        s.faces.push_back(FaceSignals::fromJson(face));
    s.aestheticsScore = json.at("aestheticsScore").asFloat();
    s.isUtility = json.at("isUtility").asBool();
    s.sharpness = json.at("sharpness").asFloat();
    s.hasCameraMetadata = json.at("hasCameraMetadata").asBool();
    s.hasCaptureMetadata = json.at("hasCaptureMetadata").asBool();
    s.isFavourite = json.at("isFavourite").asBool();
    s.isEdited = json.at("isEdited").asBool();
    s.isInUserAlbum = json.at("isInUserAlbum").asBool();
    return s;
}

namespace {

// Without the name, the user's flags and the capture date, which the index keeps to the second.
PhotoSignals measuredPart(PhotoSignals signals) {
    signals.digest.clear();
    signals.filename.clear();
    signals.capturedAt.reset();
    signals.isFavourite = signals.isEdited = signals.isInUserAlbum = false;
    return signals;
}

} // namespace

bool PhotoSignals::measuresAs(const PhotoSignals& other) const {
    return sameModificationSecond(capturedAt, other.capturedAt) && showsSamePicture(other);
}

bool PhotoSignals::showsSamePicture(const PhotoSignals& other) const {
    return measuredPart(*this) == measuredPart(other);
}

} // namespace keepsift
