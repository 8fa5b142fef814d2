#pragma once

// A hand-foldered corpus of phone-style bursts made from Debian's sample photographs: each
// folder holds one sharp shot (the winner) and shots of the same moment that a shaking hand,
// a missed focus, exposure drift and sensor noise spoilt; some folders also hold a re-saved
// or half-size copy of the sharp shot. A burst whose spoil no one could see names no winner.
// Every shot carries its capture time; bursts lie hours apart. Shared by the corpus test and
// the corpus benchmark.

#include <cstdint>
#include <exiv2/exiv2.hpp>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "platform/analysis/tests/ImageVariants.hpp"
#include "platform/analysis/tests/SampleImages.hpp"
#include "platform/imaging/ExivAccess.hpp"

namespace keepsift::burst_corpus {

namespace fs = std::filesystem;
using namespace image_variants;

inline std::vector<std::pair<std::string, std::string>> photographs() {
    std::vector<std::pair<std::string, std::string>> set;
    for (const char* name : {"astronaut.png", "chelsea.png", "coffee.png", "rocket.jpg",
                             "motorcycle_left.png", "hubble_deep_field.jpg"})
        set.emplace_back("python3-skimage", std::string(samples::skimageData) + name);
    for (const char* name :
         {"messi5.jpg", "aloeL.jpg", "building.jpg", "ela_original.jpg", "graf1.png", "leuvenA.jpg",
          "fruits.jpg", "home.jpg", "starry_night.jpg", "baboon.jpg"})
        set.emplace_back("opencv-doc", std::string(samples::opencvData) + name);
    return set;
}

// The JPEG bytes with an Exif segment holding the capture time, as a camera writes it.
// A copy saved again by an application keeps the time but not the camera.
inline std::vector<std::uint8_t> withCaptureTime(const std::vector<std::uint8_t>& jpeg,
                                                 const std::string& exifTime, bool fromCamera) {
    Exiv2::Blob tiff;
    {
        auto exiv = enterExiv2();
        Exiv2::ExifData exif;
        if (fromCamera) {
            exif["Exif.Image.Make"] = "Keepsift";
            exif["Exif.Image.Model"] = "Burst";
        }
        exif["Exif.Photo.DateTimeOriginal"] = exifTime;
        Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, exif);
    }
    const std::size_t length = 2 + 6 + tiff.size();
    std::vector<std::uint8_t> out{jpeg[0],
                                  jpeg[1],
                                  0xFF,
                                  0xE1,
                                  std::uint8_t(length >> 8),
                                  std::uint8_t(length & 0xFF),
                                  'E',
                                  'x',
                                  'i',
                                  'f',
                                  0,
                                  0};
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

inline void writeShot(const fs::path& file, const cv::Mat& image, int quality,
                      const std::string& exifTime, bool fromCamera = true) {
    std::vector<std::uint8_t> jpeg;
    cv::imencode(".jpg", image, jpeg, {cv::IMWRITE_JPEG_QUALITY, quality});
    const auto bytes = withCaptureTime(jpeg, exifTime, fromCamera);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// "2024:05:DD HH:MM:SS" for burst b, shot s: one burst every three hours.
inline std::string exifTime(int burst, int shot) {
    const int minutes = burst * 180;
    char text[64];
    std::snprintf(text, sizeof text, "2024:05:%02d %02d:%02d:%02d", 1 + minutes / 1440,
                  minutes % 1440 / 60, minutes % 60, shot);
    return text;
}

// Moved a little and exposure drifted, as a burst's other shots are beside its sharp one.
inline cv::Mat drifted(const cv::Mat& image, int shot) {
    return evShifted(shifted(image, 0.01 * (1 + shot % 2)), shot % 2 == 0 ? 0.2 : -0.2);
}

// One spoilt shot of the moment: shaken or out of focus, moved a little, exposure drifted.
// The shake and the blur grow with `softness`, how many times coarser the scene's finest
// detail is than a sharp photograph's, so that they spoil a soft scene as visibly.
inline cv::Mat spoiltAt(double softness, const cv::Mat& sharp, int burst, int shot) {
    const int kind = (burst + shot) % 3;
    const double strength = softness * (1.0 + 0.25 * ((burst * 7 + shot * 3) % 5)); // 1 ... 2 times
    const cv::Mat image =
        kind == 0   ? smeared(sharp, 0.005 * strength, 0.4 * shot + 0.3 * burst)
        : kind == 1 ? blurred(sharp, 0.002 * strength)
                    : smeared(blurred(sharp, 0.0015 * strength), 0.004 * strength, 1.3 * shot);
    return drifted(image, shot);
}

inline cv::Mat spoilt(const cv::Mat& sharp, int burst, int shot) {
    return spoiltAt(1, sharp, burst, shot);
}

struct Corpus {
    int folders = 0;
    int photographs = 0;
};

// The burst's scene: the whole photograph, or for later bursts a part of it, as a second
// moment framed differently.
inline cv::Mat scene(const cv::Mat& original, bool part, int longSide) {
    const cv::Mat framed =
        part
            ? original(cv::Rect(original.cols / 4, 0, original.cols * 3 / 4, original.rows * 4 / 5))
            : original;
    return resized(framed, static_cast<double>(longSide) / std::max(framed.cols, framed.rows));
}

// Writes burst number `burst` of the sharp scene into its folder: the winner, shots spoilt by
// `spoil`, and for every third burst a re-saved or half-size copy of the winner. Where the
// spoil cannot be seen, no shot is named the winner.
template <class Spoil>
void writeBurst(const fs::path& corpus, int burst, const cv::Mat& sharp, int shots, Spoil spoil,
                Corpus& made, bool namesWinner = true) {
    const fs::path folder = corpus / std::to_string(burst + 1);
    fs::create_directories(folder);
    const int winner = burst % shots;
    for (int shot = 0; shot < shots; ++shot) {
        const auto seed = static_cast<std::uint64_t>(burst * 16 + shot + 1);
        const bool isWinner = shot == winner;
        const cv::Mat image = noisy(isWinner ? sharp : spoil(sharp, burst, shot), 2.5, seed);
        const std::string name = "IMG_" + std::to_string(1000 + burst * 10 + shot) +
                                 (isWinner && namesWinner ? " - winner" : "");
        writeShot(folder / (name + ".jpg"), image, 92, exifTime(burst, shot));
        ++made.photographs;
        if (isWinner && burst % 3 == 1) {
            // A re-saved copy, or a half-size export, of the sharp shot.
            const cv::Mat copy = burst % 2 == 0 ? image : resized(image, 0.5);
            writeShot(folder / (name.substr(0, 8) + " copy.jpg"), copy, 75, exifTime(burst, shot),
                      false);
            ++made.photographs;
        }
    }
    ++made.folders;
}

// Writes `bursts` folders under `corpus`, one or two per photograph; absent when the
// samples cannot be fetched.
inline std::optional<Corpus> write(const fs::path& corpus, int bursts, int longSide = 800,
                                   int shots = 4) {
    const auto paths = samples::fetch(photographs());
    if (!paths) return std::nullopt;
    Corpus made;
    for (int burst = 0; burst < bursts; ++burst) {
        const size_t b = static_cast<size_t>(burst) % paths->size();
        const cv::Mat original = cv::imread((*paths)[b].string(), cv::IMREAD_COLOR);
        const cv::Mat sharp = scene(original, burst >= static_cast<int>(paths->size()), longSide);
        writeBurst(corpus, burst, sharp, shots, spoilt, made);
    }
    return made;
}

// Scenes with little detail, made from real photographs: fog, sky, night, snow, and a scene
// whose only edges run one way.
namespace low_detail {

inline cv::Mat towards(const cv::Mat& image, double keep, cv::Scalar colour) {
    cv::Mat flat(image.size(), image.type(), colour), result;
    cv::addWeighted(image, keep, flat, 1 - keep, 0, result);
    return result;
}
// Near things keep their edges, at a third of their contrast.
inline cv::Mat fog(const cv::Mat& m) {
    return towards(m, 0.3, cv::Scalar(200, 200, 195));
}
// Soft clouds.
inline cv::Mat sky(const cv::Mat& m) {
    return towards(blurred(m, 0.004), 0.5, cv::Scalar(235, 200, 150));
}
inline cv::Mat night(const cv::Mat& m) {
    return evShifted(m, -2.5);
}
inline cv::Mat snow(const cv::Mat& m) {
    return towards(m, 0.35, cv::Scalar(240, 238, 235));
}
// Lines along the width only, as a horizon, a pier or a railing leaves.
inline cv::Mat streaks(const cv::Mat& m) {
    return smeared(m, 0.2, 0.0);
}
// The sky is already as soft as the photographs' strongest blur: a spoil smears its clouds as
// visibly as theirs only at four times their strength.
inline cv::Mat skySpoilt(const cv::Mat& sharp, int burst, int shot) {
    return spoiltAt(4, sharp, burst, shot);
}
// The shake runs across the streaks or at a steep angle to them, smearing their edges.
inline cv::Mat acrossStreaks(const cv::Mat& sharp, int burst, int shot) {
    const double strength = 1.0 + 0.25 * ((burst * 7 + shot * 3) % 5); // 1 ... 2
    constexpr double angles[] = {CV_PI / 2, CV_PI / 3, 2 * CV_PI / 3};
    return drifted(smeared(sharp, 0.005 * strength, angles[static_cast<size_t>(shot % 3)]), shot);
}
// The shake runs along the streaks: a straight edge smeared along itself does not change.
inline cv::Mat alongStreaks(const cv::Mat& sharp, [[maybe_unused]] int burst, int shot) {
    return drifted(smeared(sharp, 0.01 * (1 + shot % 3), 0.0), shot);
}

struct Burst {
    size_t source;
    bool part; // a part of the photograph, so that it is not the whole one's scene
    cv::Mat (*look)(const cv::Mat&);
    cv::Mat (*spoil)(const cv::Mat&, int, int);
};

// Writes the bursts after `firstBurst` bursts; absent when the samples cannot be fetched.
inline std::optional<Corpus> writeBursts(const fs::path& corpus, int firstBurst, int longSide,
                                         int shots, std::span<const Burst> bursts,
                                         bool namesWinners) {
    const auto paths = samples::fetch(photographs());
    if (!paths) return std::nullopt;
    Corpus made;
    int number = firstBurst;
    for (const auto& burst : bursts) {
        const cv::Mat original =
            cv::imread((*paths)[burst.source % paths->size()].string(), cv::IMREAD_COLOR);
        writeBurst(corpus, number++, burst.look(scene(original, burst.part, longSide)), shots,
                   burst.spoil, made, namesWinners);
    }
    return made;
}

} // namespace low_detail

// Writes five low-detail bursts after `firstBurst` bursts, each spoilt so that a person sees
// which shot is sharp: fog, sky, night, snow, streaks. Absent when the samples cannot be
// fetched.
inline std::optional<Corpus> writeLowDetail(const fs::path& corpus, int firstBurst, int longSide,
                                            int shots = 4) {
    using namespace low_detail;
    const Burst bursts[] = {{8, false, fog, spoilt},
                            {3, false, sky, skySpoilt},
                            {13, false, night, spoilt},
                            {11, false, snow, spoilt},
                            {12, false, streaks, acrossStreaks}};
    return writeBursts(corpus, firstBurst, longSide, shots, bursts, true);
}

// Writes two low-detail bursts after `firstBurst` bursts whose spoils no one can see, so they
// name no winner: a sky spoilt as the photographs are, and streaks shaken along themselves.
inline std::optional<Corpus> writeIndistinct(const fs::path& corpus, int firstBurst, int longSide,
                                             int shots = 4) {
    using namespace low_detail;
    const Burst bursts[] = {{3, true, sky, spoilt}, {12, true, streaks, alongStreaks}};
    return writeBursts(corpus, firstBurst, longSide, shots, bursts, false);
}

} // namespace keepsift::burst_corpus
