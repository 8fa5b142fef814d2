#pragma once

// Distinct real faces from photographs shipped in Debian packages, cropped around the face
// and brought to a face of about normalFaceSide pixels (never enlarged), so that a test can
// read every face through many variants quickly. Decoded once per process.

#include <algorithm>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/tests/SampleImages.hpp"

namespace keepsift::testing {

struct FaceSample {
    std::string name, package, member;
    cv::Rect crop;   // in the photograph's pixels; an empty rectangle takes it whole
    double faceSide; // about how wide the face is in the photograph
    bool eyesOpen = true;
    cv::Mat image = {}; // the cropped, scaled picture
};

inline constexpr double normalFaceSide = 130;

inline std::vector<FaceSample> faceSampleList() {
    const std::string opencv = "./usr/share/doc/opencv-doc/opencv4/html/";
    const std::string matplotlib = "./usr/share/matplotlib/mpl-data/sample_data/";
    const std::string cimg = "./usr/share/doc/cimg-dev/html/img/";
    // Every face has its eyes open: no Debian package found ships a photograph of a
    // closed-eyed face.
    return {
        {"smiling man", "opencv-doc", opencv + "227943776_1.jpg", {55, 38, 310, 310}, 155},
        {"blue-eyed man", "opencv-doc", opencv + "230501201_1.jpg", {0, 111, 584, 622}, 311},
        {"man with glasses", "opencv-doc", opencv + "example.jpg", {0, 42, 385, 538}, 311},
        {"dim woman looking down", "opencv-doc", opencv + "05.jpg", {20, 30, 500, 430}, 261},
        {"fair woman looking down", "opencv-doc", opencv + "12.jpg", {0, 0, 530, 460}, 313},
        {"woman in a hat", "opencv-doc", opencv + "blurred.png", {109, 129, 372, 372}, 186},
        {"older woman with glasses",
         "python-matplotlib-data",
         matplotlib + "grace_hopper.jpg",
         {88, 47, 372, 372},
         186},
        {"grey face in a screenshot",
         "cimg-doc",
         cimg + "ss_optflow.jpg",
         {153, 37, 300, 300},
         150},
        {"astronaut",
         "python3-skimage",
         std::string(samples::skimageData) + "astronaut.png",
         {},
         90},
    };
}

inline cv::Mat normalisedCrop(const cv::Mat& photograph, const FaceSample& sample) {
    cv::Rect whole(0, 0, photograph.cols, photograph.rows);
    cv::Mat cropped = photograph(sample.crop.empty() ? whole : sample.crop & whole);
    double scale = std::min(1.0, normalFaceSide / sample.faceSide);
    cv::Mat result;
    cv::resize(cropped, result, cv::Size(), scale, scale, cv::INTER_AREA);
    return result;
}

// Empty when the packages could not be fetched.
inline const std::vector<FaceSample>& faceSamples() {
    static const std::vector<FaceSample> loaded = [] {
        auto list = faceSampleList();
        std::vector<std::pair<std::string, std::string>> wanted;
        for (const auto& sample : list)
            wanted.emplace_back(sample.package, sample.member);
        auto paths = samples::fetch(wanted, false);
        if (!paths) return std::vector<FaceSample>();
        for (size_t i = 0; i < list.size(); ++i) {
            cv::Mat photograph = cv::imread((*paths)[i].string(), cv::IMREAD_COLOR);
            if (photograph.empty()) return std::vector<FaceSample>();
            list[i].image = normalisedCrop(photograph, list[i]);
        }
        return list;
    }();
    return loaded;
}

} // namespace keepsift::testing
