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
    const char* name;
    const char* package;
    const char* member;
    cv::Rect crop;   // in the photograph's pixels; an empty rectangle takes it whole
    double faceSide; // about how wide the face is in the photograph
    bool eyesOpen;
    cv::Mat image; // the cropped, scaled picture
};

inline constexpr double normalFaceSide = 130;

inline std::vector<FaceSample> faceSampleList() {
    const char* html = "./usr/share/doc/opencv-doc/opencv4/html/";
    auto in = [](const char* folder, const char* file) { return std::string(folder) + file; };
    static const std::vector<std::string> members = {
        in(html, "227943776_1.jpg"),
        in(html, "230501201_1.jpg"),
        in(html, "example.jpg"),
        in(html, "05.jpg"),
        in(html, "12.jpg"),
        in(html, "blurred.png"),
        "./usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg",
        "./usr/share/doc/cimg-dev/html/img/ss_optflow.jpg",
        in(samples::skimageData, "astronaut.png"),
    };
    // Every face has its eyes open: no Debian package found ships a photograph of a
    // closed-eyed face.
    return {
        {"smiling man", "opencv-doc", members[0].c_str(), {55, 38, 310, 310}, 155, true, {}},
        {"blue-eyed man", "opencv-doc", members[1].c_str(), {0, 111, 584, 622}, 311, true, {}},
        {"man with glasses", "opencv-doc", members[2].c_str(), {0, 42, 385, 538}, 311, true, {}},
        {"woman looking down, dim",
         "opencv-doc",
         members[3].c_str(),
         {20, 30, 500, 430},
         261,
         true,
         {}},
        {"fair woman looking down",
         "opencv-doc",
         members[4].c_str(),
         {0, 0, 530, 460},
         313,
         true,
         {}},
        {"woman in a hat, soft",
         "opencv-doc",
         members[5].c_str(),
         {109, 129, 372, 372},
         186,
         true,
         {}},
        {"older woman with glasses",
         "python-matplotlib-data",
         members[6].c_str(),
         {88, 47, 372, 372},
         186,
         true,
         {}},
        {"grey screenshot face",
         "cimg-doc",
         members[7].c_str(),
         {153, 37, 300, 300},
         150,
         true,
         {}},
        {"astronaut", "python3-skimage", members[8].c_str(), {}, 90, true, {}},
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
