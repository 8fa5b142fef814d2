#pragma once

#include <vector>

#include <opencv2/core.hpp>

#include "photos/extractor/FaceObservation.hpp"
#include "platform/analysis/AnalysisContext.hpp"
#include "platform/analysis/FaceDetector.hpp"

namespace keepsift::face_observations {

// Bounds of a pixel box (origin top-left) as fractions of the image, origin bottom-left,
// clipped to the image.
NormalisedBounds normalised(const cv::Rect2d& box, cv::Size image);

// One observation per detection, with eye regions and head pose when the landmark model is
// present, and yaw from the detector's sub-model when it is not.
std::vector<FaceObservation> landmarked(const std::vector<FaceDetection>& detections,
                                        const cv::Mat& uprightGrey,
                                        const LandmarkDetector* landmarks);

std::vector<QualityObservation> qualities(const std::vector<FaceDetection>& detections,
                                          const std::vector<FaceObservation>& observations,
                                          const cv::Mat& uprightGrey);

} // namespace keepsift::face_observations
