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
    // OpenCV turns a quarter by a transpose and a mirror across, which moves three-byte pixels
    // one at a time; the mirror upside down moves whole rows, so the turns use it instead.
    case 6: {
        cv::Mat flipped;
        cv::flip(stored, flipped, 0);
        cv::transpose(flipped, turned);
        break;
    }
    case 7:
        cv::transpose(stored, turned);
        cv::flip(turned, turned, -1);
        break;
    case 8:
        cv::transpose(stored, turned);
        cv::flip(turned, turned, 0);
        break;
    default:
        return stored;
    }
    return turned;
}

} // namespace keepsift
