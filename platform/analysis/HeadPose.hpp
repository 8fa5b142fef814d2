#pragma once

#include <optional>

#include <opencv2/core.hpp>

#include "platform/analysis/LandmarkDetector.hpp"

namespace keepsift {

// Radians. Yaw is positive when the face turns towards the image's right, roll when it
// tilts clockwise, pitch when it looks down; a mirrored image flips yaw and roll.
struct HeadPose {
    double yaw = 0;
    double roll = 0;
    double pitch = 0;
};

// Fits a generic head to six landmarks with cv::solvePnP, the camera's focal length taken
// as the image width. Absent when the fit fails.
std::optional<HeadPose> estimateHeadPose(const FaceShape& shape, cv::Size image);

// Without landmarks only the detector's sub-model hints at yaw.
std::optional<double> yawOfSubModel(int subModel);

} // namespace keepsift
