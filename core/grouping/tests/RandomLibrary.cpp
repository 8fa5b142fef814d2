#include "RandomLibrary.hpp"

#include <cmath>
#include <random>
#include <string>

#include "PhotoFactory.hpp"

namespace keepsift::sample {
namespace {

class Generator {
public:
    Generator(std::uint32_t seed, size_t printLength)
        : random_(seed), printLength_(printLength),
          // Spreads are set for eight values; longer prints get smaller steps.
          scale_(std::sqrt(8.0 / static_cast<double>(printLength))) {}

    std::vector<PhotoSignals> library(size_t count) {
        std::vector<PhotoSignals> photos;
        for (size_t i = 0; i < count; ++i)
            photos.push_back(next(i));
        return photos;
    }

private:
    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    bool chance(double p) { return uniform(0, 1) < p; }
    int pick(int high) { return std::uniform_int_distribution<int>(0, high - 1)(random_); }

    std::optional<double> nextDate() {
        if (chance(0.08)) return std::nullopt;
        const double gaps[] = {0, 0, 1, 5, 60, 1800, 1800.5, 3600, 86400 * 29.5};
        if (!chance(0.3)) clock_ += gaps[pick(std::size(gaps))];
        return clock_;
    }

    std::vector<float> nextPrint() {
        if (chance(0.25) || scene_.empty()) {
            scene_.assign(printLength_, 0.f);
            for (auto& v : scene_)
                v = float(uniform(-0.4, 0.4));
        }
        auto print = scene_;
        const double spreads[] = {0, 0.01, 0.03, 0.05, 0.1, 0.2, 0.3};
        const double spread = spreads[pick(std::size(spreads))] * scale_;
        for (auto& v : print)
            v += float(uniform(-spread, spread));
        return print;
    }

    void shapeFaces(PhotoSignals& p) {
        const int faces = pick(4);
        for (int f = 0; f < faces; ++f) {
            const double sides[] = {0.05, 0.07, 0.1, 0.15, 0.3};
            const double side = sides[pick(std::size(sides))];
            auto face = sample::face(side, side);
            face.bounds.x = uniform(0, 1 - side);
            if (chance(0.7)) face.hasSmile = chance(0.5);
            if (chance(0.7)) face.leftEyeClosed = chance(0.2);
            if (chance(0.7)) face.rightEyeClosed = chance(0.2);
            if (chance(0.6)) face.captureQuality = float(uniform(0, 1));
            if (chance(0.6)) face.yawDegrees = float(uniform(-60, 60));
            p.faces.push_back(face);
        }
    }

    void shapeCopy(PhotoSignals& p) {
        if (chance(0.15)) p.hasCameraMetadata = false;
        if (chance(0.15)) {
            const int shrink[] = {2, 3, 4};
            const int s = shrink[pick(3)];
            p.pixelWidth /= s;
            p.pixelHeight /= s;
        }
        if (chance(0.03)) p.pixelWidth = p.pixelHeight = 0;
    }

    void shapePrint(PhotoSignals& p) {
        if (chance(0.03)) p.featurePrintRevision = "older";
        if (chance(0.03)) p.printLongEdge = 512;
        if (chance(0.02)) p.setFeaturePrint({});
    }

    PhotoSignals next(size_t index) {
        auto p = photo("IMG_" + std::to_string(1000 + pick(9000)) + "_" + std::to_string(index),
                       nextDate(), nextPrint());
        shapeCopy(p);
        shapePrint(p);
        shapeFaces(p);
        p.fileSize = 1'000'000 + pick(4) * 250'000;
        p.sharpness = chance(0.1) ? 0.f : float(uniform(0, 2));
        p.aestheticsScore = float(uniform(-1, 1));
        p.isFavourite = chance(0.05);
        p.isInUserAlbum = chance(0.05);
        return p;
    }

    std::mt19937 random_;
    size_t printLength_;
    double scale_;
    double clock_ = 700'000'000;
    std::vector<float> scene_;
};

} // namespace

std::vector<PhotoSignals> randomLibrary(std::uint32_t seed, size_t count, size_t printLength) {
    return Generator(seed, printLength).library(count);
}

} // namespace keepsift::sample
