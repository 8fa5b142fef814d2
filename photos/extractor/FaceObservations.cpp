#include "photos/extractor/FaceObservations.hpp"

#include <algorithm>

#include "platform/analysis/CaptureQuality.hpp"
#include "platform/analysis/HeadPose.hpp"

namespace keepsift::face_observations {
namespace {

LandmarkRegion eyeRegion(const FaceShape& shape, int firstPoint, const cv::Rect2d& box) {
    LandmarkRegion region;
    for (int i = firstPoint; i < firstPoint + 6; ++i) {
        const auto& point = shape[static_cast<size_t>(i)];
        region.normalizedPoints.push_back(
            {(point.x - box.x) / box.width, 1.0 - (point.y - box.y) / box.height});
    }
    return region;
}

void addLandmarks(FaceObservation& observation, const FaceShape& shape, const cv::Rect2d& box,
                  cv::Size image) {
    // The subject's left eye is on the image's right.
    observation.landmarks =
        FaceLandmarkRegions{eyeRegion(shape, 42, box), eyeRegion(shape, 36, box)};
    if (auto pose = estimateHeadPose(shape, image)) {
        observation.yaw = pose->yaw;
        observation.roll = pose->roll;
        observation.pitch = pose->pitch;
    }
}

} // namespace

NormalisedBounds normalised(const cv::Rect2d& box, cv::Size image) {
    cv::Rect2d inside = box & cv::Rect2d(0, 0, image.width, image.height);
    double width = image.width, height = image.height;
    return {inside.x / width, (height - inside.y - inside.height) / height, inside.width / width,
            inside.height / height};
}

std::vector<FaceObservation> landmarked(const std::vector<FaceDetection>& detections,
                                        const cv::Mat& uprightGrey,
                                        const LandmarkDetector* landmarks) {
    std::vector<FaceObservation> observations;
    int uuid = 0;
    for (const auto& detection : detections) {
        FaceObservation observation;
        observation.uuid = uuid++;
        observation.boundingBox = normalised(detection.box, uprightGrey.size());
        if (landmarks)
            addLandmarks(observation, landmarks->landmarks(uprightGrey, detection.box),
                         detection.box, uprightGrey.size());
        else
            observation.yaw = yawOfSubModel(detection.subModel);
        observations.push_back(observation);
    }
    return observations;
}

std::vector<QualityObservation> qualities(const std::vector<FaceDetection>& detections,
                                          const std::vector<FaceObservation>& observations,
                                          const cv::Mat& uprightGrey) {
    std::vector<QualityObservation> answers;
    for (size_t i = 0; i < observations.size() && i < detections.size(); ++i)
        answers.push_back({observations[i].uuid,
                           CaptureQuality::of(uprightGrey, detections[i].box,
                                              detections[i].confidence, observations[i].yaw)});
    return answers;
}

} // namespace keepsift::face_observations
