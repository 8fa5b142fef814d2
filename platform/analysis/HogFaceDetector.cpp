#include "platform/analysis/HogFaceDetector.hpp"

#include <algorithm>

#include <dlib/opencv/cv_image.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/FrontalFaceModel.hpp"
#include "platform/imaging/AreaShrink.hpp"

namespace keepsift {
namespace {

// Shrinks by area; enlarges (a crop around a face smaller than the window) smoothly.
cv::Mat scaled(const cv::Mat& grey, double scale) {
    cv::Mat image = grey;
    if (scale < 1.0)
        shrinkByArea(grey, image, cv::Size(), scale, scale);
    else if (scale > 1.0)
        cv::resize(grey, image, cv::Size(), scale, scale, cv::INTER_LINEAR);
    if (!image.isContinuous()) image = image.clone();
    return image;
}

cv::Rect cropAround(const cv::Rect2d& face, double margin, cv::Size bounds) {
    cv::Point2d centre(face.x + face.width / 2, face.y + face.height / 2);
    double half = std::max(face.width, face.height) * margin;
    cv::Rect crop(cv::Point(static_cast<int>(centre.x - half), static_cast<int>(centre.y - half)),
                  cv::Point(static_cast<int>(centre.x + half), static_cast<int>(centre.y + half)));
    return crop & cv::Rect(cv::Point(0, 0), bounds);
}

// A candidate centred on a face already found needs no second look.
bool insideAny(const cv::Rect2d& candidate, const std::vector<FaceDetection>& found) {
    cv::Point2d centre(candidate.x + candidate.width / 2, candidate.y + candidate.height / 2);
    return std::any_of(found.begin(), found.end(),
                       [&](const FaceDetection& face) { return face.box.contains(centre); });
}

dlib::frontal_face_detector withPyramidLevels(const dlib::frontal_face_detector& detector,
                                              unsigned long levels) {
    dlib::frontal_face_detector::image_scanner_type scanner;
    scanner.copy_configuration(detector.get_scanner());
    scanner.set_max_pyramid_levels(levels);
    std::vector<dlib::frontal_face_detector::feature_vector_type> weights;
    for (unsigned long i = 0; i < detector.num_detectors(); ++i)
        weights.push_back(detector.get_w(i));
    return {scanner, detector.get_overlap_tester(), weights};
}

} // namespace

HogFaceDetector::HogFaceDetector(std::shared_ptr<const HaarCascade> proposals)
    : prototype_(frontalFaceModel()), checker_(withPyramidLevels(prototype_, checkLevels)),
      proposals_(std::move(proposals)) {}

// Runs dlib on an image that is the caller's scaled by scale and moved by offset; boxes come
// back in the caller's pixels.
std::vector<FaceDetection> HogFaceDetector::scan(const dlib::frontal_face_detector& prototype,
                                                 const cv::Mat& image, double scale,
                                                 cv::Point2d offset) const {
    // The detector keeps scratch buffers, so each call scans with its own copy.
    auto detector = prototype;
    std::vector<dlib::rect_detection> found;
    detector(dlib::cv_image<unsigned char>(image), found, 0.0);
    std::vector<FaceDetection> detections;
    for (const auto& hit : found) {
        cv::Rect2d box(hit.rect.left() / scale + offset.x, hit.rect.top() / scale + offset.y,
                       hit.rect.width() / scale, hit.rect.height() / scale);
        detections.push_back({box, hit.detection_confidence, static_cast<int>(hit.weight_index)});
    }
    return detections;
}

std::vector<FaceDetection>
HogFaceDetector::checkProposals(const cv::Mat& grey, double coarseScale,
                                const std::vector<FaceDetection>& found) const {
    std::vector<FaceDetection> detections;
    if (!proposals_ || !proposals_->isLoaded()) return detections;
    double scale = scaleForSmallestFace(grey.size(), proposalSide);
    cv::Mat small = scaled(grey, scale);
    // Larger faces are the coarse scan's; a margin covers the cascade's looser boxes.
    int largest = static_cast<int>(windowSide / coarseScale * scale * 1.25);
    int smallest = static_cast<int>(proposalSide);
    if (largest <= smallest) return detections;
    auto candidates = proposals_->detect(small, proposalStep, proposalNeighbours,
                                         cv::Size(smallest, smallest), cv::Size(largest, largest));
    std::sort(candidates.begin(), candidates.end(),
              [](const cv::Rect& a, const cv::Rect& b) { return a.area() > b.area(); });
    if (candidates.size() > maximumProposals) candidates.resize(maximumProposals);
    for (const auto& candidate : candidates) {
        cv::Rect2d face(candidate.x / scale, candidate.y / scale, candidate.width / scale,
                        candidate.height / scale);
        // Faces this large were already within reach of the coarse scan.
        if (face.width * coarseScale * 0.8 >= windowSide || insideAny(face, found)) continue;
        cv::Rect crop = cropAround(face, cropMargin, grey.size());
        if (crop.width < 8 || crop.height < 8) continue;
        double cropScale = checkedFaceSide / face.width;
        auto checked =
            scan(checker_, scaled(grey(crop), cropScale), cropScale, cv::Point2d(crop.x, crop.y));
        detections.insert(detections.end(), checked.begin(), checked.end());
    }
    return detections;
}

std::vector<FaceDetection> HogFaceDetector::detect(const cv::Mat& uprightGrey) const {
    if (uprightGrey.empty() || uprightGrey.type() != CV_8UC1) return {};
    double coarseScale = std::min(
        1.0, coarseLongEdge / static_cast<double>(std::max(uprightGrey.cols, uprightGrey.rows)));
    cv::Mat coarse = scaled(uprightGrey, coarseScale);
    auto detections = scan(prototype_, coarse, coarseScale, {0, 0});
    auto checked = checkProposals(uprightGrey, coarseScale, detections);
    detections.insert(detections.end(), checked.begin(), checked.end());
    return suppressOverlaps(std::move(detections), confidenceFloor, suppressionOverlap);
}

std::vector<FaceDetection> suppressOverlaps(std::vector<FaceDetection> detections, double floor,
                                            double maximumOverlap) {
    std::stable_sort(detections.begin(), detections.end(),
                     [](const auto& a, const auto& b) { return a.confidence > b.confidence; });
    std::vector<FaceDetection> kept;
    for (const auto& detection : detections) {
        if (detection.confidence < floor) continue;
        bool covered = std::any_of(kept.begin(), kept.end(), [&](const FaceDetection& other) {
            return overlap(detection.box, other.box) > maximumOverlap;
        });
        if (!covered) kept.push_back(detection);
    }
    return kept;
}

} // namespace keepsift
