#include "SyntheticLibrary.hpp"

#include <cmath>
#include <cstdio>
#include <random>

namespace keepsift::bench {
namespace {

class LibraryGenerator {
public:
    explicit LibraryGenerator(const LibraryShape& shape)
        : shape_(shape), random_(shape.seed), clock_(Date::fromUnix(1'420'070'400).seconds) {
        const double bursts = static_cast<double>(shape.photos) / 7.0;
        meanBurstGap_ = shape.years * 365.25 * 86400 / bursts;
    }

    std::vector<PhotoSignals> library() {
        std::vector<PhotoSignals> photos;
        photos.reserve(shape_.photos);
        while (photos.size() < shape_.photos)
            burst(photos);
        return photos;
    }

private:
    double normal(double sigma) { return std::normal_distribution<double>(0, sigma)(random_); }
    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    bool chance(double p) { return uniform(0, 1) < p; }
    int between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random_);
    }

    std::vector<float> varied(const std::vector<float>& scene, double spread) {
        const double sigma = spread / std::sqrt(static_cast<double>(scene.size()));
        std::vector<float> print(scene.size());
        for (size_t i = 0; i < scene.size(); ++i)
            print[i] = scene[i] + float(normal(sigma));
        return print;
    }

    void addFaces(PhotoSignals& photo) {
        const int count = between(1, 4);
        for (int f = 0; f < count; ++f) {
            FaceSignals face;
            const double side = uniform(0.03, 0.3);
            face.bounds = {uniform(0, 1 - side), uniform(0, 1 - side), side, side};
            if (chance(0.9)) face.hasSmile = chance(0.6);
            if (chance(0.9)) face.leftEyeClosed = chance(0.1);
            if (chance(0.9)) face.rightEyeClosed = chance(0.1);
            face.captureQuality = float(uniform(0.2, 0.9));
            face.yawDegrees = float(normal(20));
            photo.faces.push_back(face);
        }
    }

    PhotoSignals shot(std::optional<double> at, std::vector<float> print, bool camera) {
        PhotoSignals photo;
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%06zu.HEIC", ++counter_);
        photo.filename = name;
        std::snprintf(name, sizeof name, "%08zX-SYNTH/L0/001", counter_);
        photo.digest = name;
        if (at) photo.capturedAt = Date{*at};
        photo.pixelWidth = 4032;
        photo.pixelHeight = 3024;
        photo.fileSize = 2'000'000 + between(0, 2'000'000);
        photo.setFeaturePrint(print);
        photo.featurePrintRevision = std::string(PhotoSignals::printRevision);
        photo.aestheticsScore = float(uniform(-1, 1));
        photo.sharpness = float(uniform(0, 3));
        photo.hasCameraMetadata = camera;
        photo.hasCaptureMetadata = camera;
        photo.isFavourite = chance(0.02);
        photo.isInUserAlbum = chance(0.05);
        if (chance(shape_.faceShare)) addFaces(photo);
        return photo;
    }

    PhotoSignals smallerCopy(const PhotoSignals& original) {
        auto copy = shot(original.capturedAt->seconds + uniform(0, 29 * 86400.0),
                         varied(original.featurePrint(), 0.03), false);
        copy.pixelWidth = original.pixelWidth / 2;
        copy.pixelHeight = original.pixelHeight / 2;
        copy.faces = original.faces;
        return copy;
    }

    void burst(std::vector<PhotoSignals>& photos) {
        clock_ += -std::log(1 - uniform(0, 1)) * meanBurstGap_;
        const auto scene = varied(std::vector<float>(shape_.printLength, 0.f), 1.0);
        const bool camera = !chance(shape_.noCameraBurstShare);
        const bool dated = !chance(shape_.undatedBurstShare);
        double at = clock_;
        const int shots = between(2, 12);
        for (int s = 0; s < shots && photos.size() < shape_.photos; ++s) {
            at += uniform(0.3, 5);
            photos.push_back(shot(dated ? std::optional(at) : std::nullopt,
                                  varied(scene, uniform(0.05, 0.5)), camera));
            if (dated && camera && photos.size() < shape_.photos && chance(shape_.copyShare))
                photos.push_back(smallerCopy(photos.back()));
        }
        clock_ = at;
    }

    const LibraryShape& shape_;
    std::mt19937_64 random_;
    double clock_;
    double meanBurstGap_;
    size_t counter_ = 0;
};

} // namespace

std::vector<PhotoSignals> syntheticLibrary(const LibraryShape& shape) {
    return LibraryGenerator(shape).library();
}

} // namespace keepsift::bench
