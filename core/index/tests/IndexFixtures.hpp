#pragma once

#include <string>

#include "core/index/LibraryIndex.hpp"

namespace keepsift::fixtures {

inline LibraryAsset asset(std::string id, std::optional<double> created = std::nullopt,
                          std::optional<double> modified = std::nullopt) {
    LibraryAsset a;
    a.filename = "IMG_" + id + ".JPG";
    a.id = std::move(id);
    if (created) a.createdAt = Date{*created};
    if (modified) a.modifiedAt = Date{*modified};
    a.pixelWidth = 4032;
    a.pixelHeight = 3024;
    a.fileSize = 2'500'000;
    return a;
}

inline PhotoSignals signals(const LibraryAsset& a, bool withFace = true) {
    PhotoSignals s;
    s.digest = a.id;
    s.filename = a.filename;
    s.capturedAt = a.createdAt;
    s.pixelWidth = a.pixelWidth;
    s.pixelHeight = a.pixelHeight;
    s.fileSize = a.fileSize;
    const std::vector<float> print{0.25f, -0.5f, 0.125f, 1.0f};
    s.setFeaturePrint(print);
    s.featurePrintRevision = std::string(PhotoSignals::printRevision);
    s.aestheticsScore = 0.58f;
    s.sharpness = 0.3f;
    s.hasCameraMetadata = true;
    if (withFace) {
        FaceSignals face;
        face.bounds = {0.1, 0.2, 0.25, 0.3};
        face.hasSmile = true;
        face.captureQuality = 0.71f;
        face.yawDegrees = -12.5f;
        s.faces.push_back(face);
    }
    return s;
}

inline IndexEntry measured(const LibraryAsset& a, ReviewState state) {
    IndexEntry e = IndexEntry::fresh(a);
    e.signals = signals(a);
    e.state = state;
    return e;
}

inline LibraryIndex indexOf(std::vector<IndexEntry> entries) {
    LibraryIndex index = LibraryIndex::fresh(LibraryIndex::currentSignature());
    for (auto& e : entries)
        index.entries.insert_or_assign(e.asset.id, e);
    return index;
}

} // namespace keepsift::fixtures
