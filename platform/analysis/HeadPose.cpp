#include "platform/analysis/HeadPose.hpp"

#include <cmath>

#include <opencv2/calib3d.hpp>

namespace keepsift {
namespace {

// A generic head in millimetres, in camera axes (x right, y down, z away from the camera)
// for a face looking straight at the camera: nose tip, chin, outer eye corners, mouth corners.
const std::vector<cv::Point3d>& modelPoints() {
    static const std::vector<cv::Point3d> points = {{0, 0, 0},         {0, 330, 65},
                                                    {-225, -170, 135}, {225, -170, 135},
                                                    {-150, 150, 125},  {150, 150, 125}};
    return points;
}

std::vector<cv::Point2d> imagePoints(const FaceShape& shape) {
    return {shape[30], shape[8], shape[36], shape[45], shape[48], shape[54]};
}

} // namespace

std::optional<HeadPose> estimateHeadPose(const FaceShape& shape, cv::Size image) {
    double focal = image.width;
    cv::Matx33d camera(focal, 0, image.width / 2.0, 0, focal, image.height / 2.0, 0, 0, 1);
    cv::Mat rotation, translation;
    try {
        if (!cv::solvePnP(modelPoints(), imagePoints(shape), camera, cv::noArray(), rotation,
                          translation, false, cv::SOLVEPNP_ITERATIVE))
            return std::nullopt;
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
    cv::Matx33d r;
    cv::Rodrigues(rotation, r);
    HeadPose pose{.yaw = std::asin(std::clamp(-r(2, 0), -1.0, 1.0)),
                  .roll = std::atan2(r(1, 0), r(0, 0)),
                  .pitch = std::atan2(r(2, 1), r(2, 2))};
    if (!std::isfinite(pose.yaw) || !std::isfinite(pose.roll) || !std::isfinite(pose.pitch))
        return std::nullopt;
    return pose;
}

std::optional<double> yawOfSubModel(int subModel) {
    constexpr double turned = 0.5;
    switch (subModel) {
    case 0:
    case 3:
    case 4:
        return 0.0;
    case 1:
        return -turned;
    case 2:
        return turned;
    default:
        return std::nullopt;
    }
}

} // namespace keepsift
