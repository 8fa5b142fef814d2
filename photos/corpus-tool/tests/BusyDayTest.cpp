// A busy day of real photographs: a hundred and twenty different scenes taken minutes apart,
// then scenes mixed with phone-style bursts of them. Each burst is one group and no two scenes
// ever share one, however many pairs a session offers.

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "core/grouping/GroupBuilder.hpp"
#include "photos/corpus-tool/tests/BurstCorpus.hpp"
#include "platform/analysis/BlockFeaturePrinter.hpp"
#include "platform/analysis/tests/CalibrationPhotographs.hpp"

namespace keepsift {
namespace {

using namespace image_variants;

constexpr int sceneCount = 120;
constexpr double sceneSide = 1024;

struct Photograph {
    cv::Mat image;
    bool texture; // any part of it looks like the whole
};

// The calibration photographs and a few more scenes of the same packages.
std::vector<Photograph> photographs() {
    const std::set<std::string> textures{
        "brick.png", "grass.png", "gravel.png", "page.png",
        "coins.png", "ihc.png",   "sudoku.png", "hubble_deep_field.jpg"};
    auto wanted = samples::calibrationSet();
    for (const char* name : {"aloeL.jpg", "rubberwhale1.png", "cards.png"})
        wanted.emplace_back("opencv-doc", std::string(samples::opencvData) + name);
    const auto paths = samples::fetch(wanted);
    if (!paths) return {};
    std::vector<Photograph> read;
    for (const auto& path : *paths)
        read.push_back({cv::imread(path.string()), textures.contains(path.filename().string())});
    return read;
}

// The whole of each photograph, then each half along the long side and the first quarter of
// every photograph that is no texture.
cv::Mat framed(const cv::Mat& photograph, int framing) {
    if (framing == 0) return photograph;
    const bool wide = photograph.cols >= photograph.rows;
    const cv::Size half = wide ? cv::Size(photograph.cols / 2, photograph.rows)
                               : cv::Size(photograph.cols, photograph.rows / 2);
    if (framing == 3) return photograph(cv::Rect(0, 0, half.width / 2, half.height / 2));
    const cv::Point start =
        framing == 1 ? cv::Point(0, 0) : cv::Point(wide ? half.width : 0, wide ? 0 : half.height);
    return photograph(cv::Rect(start, half));
}

std::vector<cv::Mat> scenes() {
    std::vector<cv::Mat> made;
    const auto all = photographs();
    for (int framing = 0; framing < 4; ++framing)
        for (const auto& photograph : all)
            if (made.size() < sceneCount && (framing == 0 || !photograph.texture))
                made.push_back(
                    samples::atPhotographSize(framed(photograph.image, framing), sceneSide));
    return made;
}

struct Day {
    std::vector<PhotoSignals> photos;
    std::map<std::string, int> sceneOf;          // digest -> scene
    std::map<int, std::set<std::string>> bursts; // scene -> digests of its burst
    double clock = 0;

    void add(const cv::Mat& image, int scene, int shot, double gap) {
        clock += gap;
        PhotoSignals photo;
        photo.digest = "scene-" + std::to_string(scene) + "-" + std::to_string(shot) + "-" +
                       std::to_string(photos.size());
        photo.filename = photo.digest + ".jpg";
        photo.capturedAt = Date{clock};
        photo.pixelWidth = image.cols;
        photo.pixelHeight = image.rows;
        photo.fileSize = 1'000'000;
        photo.setFeaturePrint(BlockFeaturePrinter().print(image));
        photo.featurePrintRevision = std::string(PhotoSignals::printRevision);
        photo.hasCameraMetadata = photo.hasCaptureMetadata = true;
        sceneOf[photo.digest] = scene;
        photos.push_back(std::move(photo));
    }
    // Minutes apart, always under the session gap.
    static double minutesApart(int k) { return 60.0 * (1 + (k * 7) % 29); }
};

TEST(BusyDay, NoSceneMergesWithAnotherAndEveryBurstIsOneGroup) {
    const auto made = scenes();
    if (made.size() < sceneCount) GTEST_SKIP() << samples::unavailable;
    Day day;
    // The morning: every scene once, one session of a hundred and twenty.
    for (int scene = 0; scene < sceneCount; ++scene)
        day.add(made[scene], scene, 0, Day::minutesApart(scene));
    // The afternoon: 24 bursts of three among 48 single scenes, again one session.
    day.clock += 3 * 3600;
    for (int k = 0; k < 72; ++k) {
        const int scene = (k * 37) % sceneCount;
        day.add(made[scene], scene, 0, Day::minutesApart(k));
        if (k % 3 != 1) continue;
        day.bursts[scene].insert(day.photos.back().digest);
        for (int shot = 1; shot <= 2; ++shot) {
            day.add(noisy(burst_corpus::spoilt(made[scene], k, shot), 2.5, k * 3 + shot), scene,
                    shot, 1.0);
            day.bursts[scene].insert(day.photos.back().digest);
        }
    }
    ASSERT_EQ(day.photos.size(), 240u);

    const auto groups = GroupBuilder::build(day.photos, GroupingPolicy::standard);
    int falseMerges = 0;
    for (const auto& group : groups) {
        std::set<int> shown;
        for (const auto& photo : group.photos)
            shown.insert(day.sceneOf.at(photo.digest));
        if (shown.size() > 1) ++falseMerges;
        std::string names;
        for (const auto& photo : group.photos)
            names += " " + photo.digest;
        EXPECT_EQ(shown.size(), 1u) << "one group holds several scenes:" << names;
    }
    EXPECT_EQ(falseMerges, 0);
    for (const auto& [scene, digests] : day.bursts) {
        const auto whole = std::find_if(groups.begin(), groups.end(), [&](const PhotoGroup& g) {
            std::set<std::string> members;
            for (const auto& photo : g.photos)
                members.insert(photo.digest);
            return members == digests;
        });
        EXPECT_NE(whole, groups.end()) << "the burst of scene " << scene << " is not one group";
    }
}

} // namespace
} // namespace keepsift
