#include "platform/imaging/Orientation.hpp"

namespace keepsift {

cv::Mat upright(const cv::Mat& stored, std::uint32_t orientation) {
    cv::Mat turned;
    switch (orientation) {
    case 2:
        cv::flip(stored, turned, 1);
        break;
    case 3:
        cv::flip(stored, turned, -1);
        break;
    case 4:
        cv::flip(stored, turned, 0);
        break;
    case 5:
        cv::transpose(stored, turned);
        break;
    case 6:
        cv::rotate(stored, turned, cv::ROTATE_90_CLOCKWISE);
        break;
    case 7:
        cv::transpose(stored, turned);
        cv::flip(turned, turned, -1);
        break;
    case 8:
        cv::rotate(stored, turned, cv::ROTATE_90_COUNTERCLOCKWISE);
        break;
    default:
        return stored;
    }
    return turned;
}

} // namespace keepsift
