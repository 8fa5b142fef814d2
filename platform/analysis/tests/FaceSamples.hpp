#pragma once

// Real faces from photographs shipped in Debian packages: portraits, snapshots and faces in
// groups, in varied light, two with closed eyes and one behind sunglasses. Each is cut out with
// some of its surroundings and brought to a face of about normalFaceSide pixels (never
// enlarged), so that a test can read every face through many variants quickly. Decoded once
// per process.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/tests/SampleImages.hpp"
#include "platform/analysis/tests/SampleScope.hpp"

namespace keepsift::testing {

enum class Eyes { open, closed, hidden };

struct FaceSample {
    std::string name, package, member;
    cv::Rect face; // about where the detector finds it in the photograph
    Eyes eyes = Eyes::open;
    cv::Mat image = {};  // the face and its surroundings, scaled
    cv::Rect2d box = {}; // where the face is in image
};

inline constexpr double normalFaceSide = 120;
// Surroundings kept on each side, in face sides.
inline constexpr double surroundings = 0.4;

inline std::vector<FaceSample> faceSampleList() {
    const std::string opencv = "./usr/share/doc/opencv-doc/opencv4/html/";
    const std::string album = "./usr/share/kphotoalbum/demo/";
    const std::string matplotlib = "./usr/share/matplotlib/mpl-data/sample_data/";
    const std::string cimg = "./usr/share/doc/cimg-dev/html/img/";
    const std::string skimage = samples::skimageData;
    // The photo album's demo shows one couple and one of them again alone.
    return {
        {"smiling man", "opencv-doc", opencv + "227943776_1.jpg", {133, 116, 155, 155}},
        {"blue-eyed man", "opencv-doc", opencv + "230501201_1.jpg", {164, 267, 311, 311}},
        {"man with glasses", "opencv-doc", opencv + "example.jpg", {26, 198, 311, 311}},
        {"dim woman looking down", "opencv-doc", opencv + "05.jpg", {137, 166, 261, 261}},
        {"fair woman looking down", "opencv-doc", opencv + "12.jpg", {131, 61, 313, 313}},
        {"woman in a hat", "opencv-doc", opencv + "blurred.png", {202, 222, 186, 186}},
        {"older woman with glasses",
         "python-matplotlib-data",
         matplotlib + "grace_hopper.jpg",
         {181, 140, 186, 186}},
        {"grey face in a screenshot", "cimg-doc", cimg + "ss_optflow.jpg", {228, 112, 150, 150}},
        {"astronaut", "python3-skimage", skimage + "astronaut.png", {176, 77, 90, 90}},
        {"woman in a bar", "kphotoalbum", album + "bar55_2.jpg", {259, 148, 125, 125}},
        {"man in a bar", "kphotoalbum", album + "bar55_2.jpg", {383, 120, 125, 125}},
        {"woman in a bar again", "kphotoalbum", album + "bar55.jpg", {273, 250, 105, 105}},
        {"man in a bar, eyes shut",
         "kphotoalbum",
         album + "bar55.jpg",
         {353, 181, 105, 105},
         Eyes::closed},
        {"man close up", "kphotoalbum", album + "jesper.jpg", {187, 39, 447, 447}},
        {"man talking", "kphotoalbum", album + "jesper_2.jpg", {251, 136, 259, 259}},
        {"laughing young man", "kphotoalbum", album + "new_wave_2.jpg", {280, 194, 259, 259}},
        {"laughing man on the left", "kphotoalbum", album + "qt-logo.jpg", {161, 78, 151, 151}},
        {"laughing man in the middle", "kphotoalbum", album + "qt-logo.jpg", {355, 107, 126, 126}},
        {"laughing man with glasses", "kphotoalbum", album + "qt-logo.jpg", {543, 45, 150, 150}},
        {"man at dusk, eyes shut",
         "kphotoalbum",
         album + "grand_canyon_2.jpg",
         {341, 245, 73, 73},
         Eyes::closed},
        {"woman in sunglasses",
         "kphotoalbum",
         album + "anne_helene.jpg",
         {147, 155, 75, 75},
         Eyes::hidden},
    };
}

// One face of each kind: eyes open, shut and hidden, alone, in a group, with glasses and in
// a screenshot.
inline const std::set<std::string> faceKinds{"smiling man",
                                             "man with glasses",
                                             "grey face in a screenshot",
                                             "man in a bar, eyes shut",
                                             "laughing man in the middle",
                                             "woman in sunglasses"};

// The face with its surroundings, and where the face lies in it.
inline void cutOut(const cv::Mat& photograph, FaceSample& sample) {
    const double side = sample.face.width, margin = surroundings * side;
    const cv::Rect around = cv::Rect(cv::Rect2d(sample.face.x - margin, sample.face.y - margin,
                                                side + 2 * margin, side + 2 * margin)) &
                            cv::Rect(0, 0, photograph.cols, photograph.rows);
    const double scale = std::min(1.0, normalFaceSide / side);
    cv::resize(photograph(around), sample.image, cv::Size(), scale, scale, cv::INTER_AREA);
    const double sx = sample.image.cols / static_cast<double>(around.width);
    const double sy = sample.image.rows / static_cast<double>(around.height);
    sample.box = {(sample.face.x - around.x) * sx, (sample.face.y - around.y) * sy,
                  sample.face.width * sx, sample.face.height * sy};
}

// Empty when the packages could not be fetched. See SampleScope.hpp for how many are read.
inline const std::vector<FaceSample>& faceSamples() {
    static const std::vector<FaceSample> loaded = [] {
        auto list = samples::sampled(faceSampleList(), faceKinds,
                                     [](const FaceSample& sample) { return sample.name; });
        std::vector<std::pair<std::string, std::string>> wanted;
        for (const auto& sample : list)
            wanted.emplace_back(sample.package, sample.member);
        auto paths = samples::fetch(wanted, false);
        if (!paths) return std::vector<FaceSample>();
        for (size_t i = 0; i < list.size(); ++i) {
            cv::Mat photograph = cv::imread((*paths)[i].string(), cv::IMREAD_COLOR);
            if (photograph.empty()) return std::vector<FaceSample>();
            cutOut(photograph, list[i]);
        }
        return list;
    }();
    return loaded;
}

} // namespace keepsift::testing
