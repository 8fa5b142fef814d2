#pragma once

// The varied real photographs that measures are calibrated on: people, animals, objects,
// landscapes, textures, low-detail and scientific pictures, from Debian packages.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "platform/analysis/tests/ImageVariants.hpp"
#include "platform/analysis/tests/SampleImages.hpp"
#include "platform/analysis/tests/SampleScope.hpp"

namespace keepsift::samples {

inline std::vector<std::pair<std::string, std::string>> calibrationSet() {
    std::vector<std::pair<std::string, std::string>> set;
    for (const char* name :
         {"astronaut.png", "chelsea.png", "coffee.png", "rocket.jpg", "motorcycle_left.png",
          "hubble_deep_field.jpg", "retina.jpg", "camera.png", "brick.png", "grass.png",
          "gravel.png", "coins.png", "ihc.png", "moon.png", "page.png", "color.png"})
        set.emplace_back("python3-skimage", std::string(skimageData) + name);
    for (const char* name :
         {"baboon.jpg",       "fruits.jpg",       "building.jpg",    "home.jpg",
          "butterfly.jpg",    "messi5.jpg",       "orange.jpg",      "apple.jpg",
          "HappyFish.jpg",    "aero1.jpg",        "board.jpg",       "leuvenA.jpg",
          "graf1.png",        "chicky_512.png",   "basketball1.png", "ela_original.jpg",
          "box_in_scene.png", "starry_night.jpg", "smarties.png",    "squirrel_cls.jpg",
          "sudoku.png",       "stuff.jpg"})
        set.emplace_back("opencv-doc", std::string(opencvData) + name);
    return set;
}

// One photograph of each kind: a person, an animal, a grey picture, a texture, a low-detail
// one, a page of text on white, a dark scientific one and a camera JPEG.
inline const std::set<std::string> calibrationKinds{
    "astronaut.png", "chelsea.png",           "camera.png",  "brick.png", "moon.png",
    "page.png",      "hubble_deep_field.jpg", "building.jpg"};

// The set read once per process (see SampleScope.hpp for how much of it); empty when the
// packages cannot be fetched.
inline const std::vector<cv::Mat>& calibrationPhotographs() {
    static const std::vector<cv::Mat> images = [] {
        const auto wanted = sampled(calibrationSet(), calibrationKinds, [](const auto& sample) {
            return std::filesystem::path(sample.second).filename().string();
        });
        std::vector<cv::Mat> read;
        if (const auto paths = fetch(wanted))
            for (const auto& path : *paths)
                read.push_back(cv::imread(path.string()));
        return read;
    }();
    return images;
}

// The samples are small: each is brought to a photograph's size with a little sensor noise,
// soft at the pixel level as a phone photograph is.
inline cv::Mat atPhotographSize(const cv::Mat& image, double side) {
    const double scale = side / std::max(image.cols, image.rows);
    return image_variants::noisy(image_variants::resized(image, scale), 2,
                                 static_cast<std::uint64_t>(image.cols) * 7919u + image.rows);
}

} // namespace keepsift::samples
