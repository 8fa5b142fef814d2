#pragma once

#include <memory>

#include <dlib/image_processing/frontal_face_detector.h>

#include "platform/analysis/FaceDetector.hpp"
#include "platform/analysis/HaarCascade.hpp"

namespace keepsift {

// dlib's HOG frontal face detector. Scanning a whole photograph at the size where the
// smallest counted face fills dlib's 80-pixel window would cost most of the time budget, so
// it scans a coarse copy for large faces and checks small candidates, proposed by a cheap
// Haar cascade on a small copy, on crops scaled to the window. Detections below the
// confidence floor are dropped and overlaps suppressed.
class HogFaceDetector final : public FaceDetector {
public:
    static constexpr double confidenceFloor = 0.05;
    static constexpr double suppressionOverlap = 0.3;
    static constexpr int coarseLongEdge = 512;
    static constexpr double windowSide = 80;
    static constexpr double proposalSide = 24;
    static constexpr double checkedFaceSide = 90;
    static constexpr double cropMargin = 0.8; // half the crop side, in face sides
    static constexpr size_t maximumProposals = 12;
    static constexpr int proposalNeighbours = 5;
    static constexpr double proposalStep = 1.15; // scale factor between cascade sizes
    // A checked face is near the window's size, so the crop's pyramid needs only its first
    // levels.
    static constexpr unsigned long checkLevels = 2;

    // The cascade may be null or unloaded: then only the coarse scan runs.
    explicit HogFaceDetector(std::shared_ptr<const HaarCascade> proposals);
    std::vector<FaceDetection> detect(const cv::Mat& uprightGrey) const override;

private:
    std::vector<FaceDetection> scan(const dlib::frontal_face_detector& prototype,
                                    const cv::Mat& grey, double scale, cv::Point2d offset) const;
    std::vector<FaceDetection> checkProposals(const cv::Mat& grey, double coarseScale,
                                              const std::vector<FaceDetection>& found) const;

    dlib::frontal_face_detector prototype_;
    dlib::frontal_face_detector checker_;
    std::shared_ptr<const HaarCascade> proposals_;
};

// Strongest first; drops detections below the floor and those overlapping a stronger one.
std::vector<FaceDetection> suppressOverlaps(std::vector<FaceDetection> detections, double floor,
                                            double maximumOverlap);

} // namespace keepsift
