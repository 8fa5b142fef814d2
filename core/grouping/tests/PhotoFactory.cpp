#include "PhotoFactory.hpp"

namespace keepsift::sample {

PhotoSignals photo(const std::string& name, std::optional<double> seconds,
                   std::vector<float> print) {
    PhotoSignals p;
    p.digest = "digest-" + name;
    p.filename = name;
    if (seconds) p.capturedAt = Date{*seconds};
    p.pixelWidth = 4000;
    p.pixelHeight = 3000;
    p.fileSize = 2'000'000;
    p.setFeaturePrint(print);
    p.featurePrintRevision = std::string(PhotoSignals::printRevision);
    p.hasCameraMetadata = true;
    p.hasCaptureMetadata = true;
    p.sharpness = 1.f;
    return p;
}

FaceSignals face(double width, double height) {
    FaceSignals f;
    f.bounds = {0.5 - width / 2, 0.5 - height / 2, width, height};
    return f;
}

std::vector<float> printAt(float offset, size_t length) {
    std::vector<float> values(length, 0.f);
    values[0] = offset;
    return values;
}

} // namespace keepsift::sample
