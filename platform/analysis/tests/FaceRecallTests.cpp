// How many real faces the detector finds in photographs of a phone's size, from the smallest
// counted face up to a portrait's, and how many it invents in photographs without people.
// The faces are pasted side by side into real scenes without people; the detector sees the
// image the measurement gives it (the smallest counted face 80 pixels wide).

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/HogFaceDetector.hpp"
#include "platform/analysis/tests/CalibrationPhotographs.hpp"
#include "platform/analysis/tests/FaceSamples.hpp"

namespace keepsift::face_recall {

const cv::Size frame(1461, 1096);
// Shares of the frame a face covers, from the smallest that counts to a portrait's.
const std::vector<double> faceAreas{0.004, 0.006, 0.009, 0.013, 0.02, 0.03, 0.045};
// From here up the coarse scan reaches every sample face.
constexpr double alwaysFoundArea = 0.02;
// Several faces share a scene, side by side, fewer than the detector checks proposals.
constexpr size_t facesPerScene = 7;

// The calibration photographs without people, grey, in a 4:3 frame.
std::vector<cv::Mat> sceneBackgrounds() {
    const std::set<std::string> withPeople{"astronaut.png", "messi5.jpg", "basketball1.png"};
    const auto names = samples::sampled(
        samples::calibrationSet(), samples::calibrationKinds, [](const auto& sample) {
            return std::filesystem::path(sample.second).filename().string();
        });
    const auto& photographs = samples::calibrationPhotographs();
    std::vector<cv::Mat> scenes;
    for (size_t i = 0; i < photographs.size() && i < names.size(); ++i) {
        if (withPeople.contains(std::filesystem::path(names[i].second).filename().string()))
            continue;
        cv::Mat grey, scene;
        cv::cvtColor(samples::atPhotographSize(photographs[i], frame.width), grey,
                     cv::COLOR_BGR2GRAY);
        cv::resize(grey, scene, frame, 0, 0, cv::INTER_AREA);
        scenes.push_back(scene);
    }
    return scenes;
}

double faceSide(double area) {
    return std::sqrt(area * frame.area());
}

int cellSide(double area) {
    return static_cast<int>(faceSide(area) * (1 + 2 * testing::surroundings)) + 8;
}

size_t facesInOneScene(double area) {
    const int cell = cellSide(area);
    return std::min(facesPerScene,
                    static_cast<size_t>((frame.width / cell) * (frame.height / cell)));
}

struct PastedFace {
    const testing::FaceSample* sample;
    cv::Rect2d box;
};

struct FacesInAScene {
    cv::Mat image;
    std::vector<PastedFace> faces;
};

// The samples' faces and surroundings scaled so each face covers `area` of the scene, placed
// in cells of a grid from the top left.
FacesInAScene pasted(const cv::Mat& scene, std::span<const testing::FaceSample> samples,
                     double area) {
    FacesInAScene made{scene.clone(), {}};
    const double side = faceSide(area);
    const int cell = cellSide(area), across = frame.width / cell;
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto& sample = samples[i];
        const double scale = side / sample.box.width;
        cv::Mat colour, grey;
        cv::resize(sample.image, colour, cv::Size(), scale, scale,
                   scale < 1 ? cv::INTER_AREA : cv::INTER_CUBIC);
        cv::cvtColor(colour, grey, cv::COLOR_BGR2GRAY);
        const int at = static_cast<int>(i);
        const cv::Rect place(at % across * cell, at / across * cell, std::min(grey.cols, cell),
                             std::min(grey.rows, cell));
        grey(cv::Rect(0, 0, place.width, place.height)).copyTo(made.image(place));
        made.faces.push_back({&sample,
                              {place.x + sample.box.x * scale, place.y + sample.box.y * scale,
                               sample.box.width * scale, sample.box.height * scale}});
    }
    return made;
}

// A detection is the face when each box holds the other's centre.
bool isTheFace(const cv::Rect2d& found, const cv::Rect2d& face) {
    const auto centre = [](const cv::Rect2d& box) {
        return cv::Point2d(box.x + box.width / 2, box.y + box.height / 2);
    };
    return face.contains(centre(found)) && found.contains(centre(face));
}

class FaceRecall : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing::faceSamples().empty() || scenes.empty()) GTEST_SKIP() << samples::unavailable;
    }
    const std::vector<cv::Mat> scenes = sceneBackgrounds();
    HogFaceDetector detector{std::make_shared<HaarCascade>(
        "/usr/share/opencv4/haarcascades/haarcascade_frontalface_default.xml")};
};

TEST_F(FaceRecall, FindsRealFacesFromTheSmallestCountedSizeUpAndInventsNone) {
    const auto& faces = testing::faceSamples();
    int found = 0, invented = 0;
    size_t sceneNumber = 0;
    for (const double area : faceAreas)
        for (size_t first = 0; first < faces.size(); first += facesInOneScene(area)) {
            const auto made =
                pasted(scenes[sceneNumber++ * 7 % scenes.size()],
                       std::span(faces).subspan(
                           first, std::min(facesInOneScene(area), faces.size() - first)),
                       area);
            auto detections = detector.detect(made.image);
            for (const auto& face : made.faces) {
                const auto hit =
                    std::find_if(detections.begin(), detections.end(),
                                 [&](const auto& d) { return isTheFace(d.box, face.box); });
                if (area >= alwaysFoundArea) {
                    EXPECT_NE(hit, detections.end()) << face.sample->name << " covering " << area;
                }
                if (hit == detections.end()) continue;
                ++found;
                detections.erase(hit);
            }
            invented += static_cast<int>(detections.size());
        }
    EXPECT_EQ(invented, 0);
    // 132 of the 147 faces; the misses are faces under 0.013 of the frame that the cascade
    // does not propose.
    if (samples::wholeSample) {
        EXPECT_GE(found, 132) << "of " << faces.size() * faceAreas.size();
    }
}

} // namespace keepsift::face_recall
