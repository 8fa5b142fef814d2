#include "platform/analysis/GreyGrid.hpp"

#include <opencv2/imgproc.hpp>

#include "platform/imaging/AreaShrink.hpp"

namespace keepsift {

cv::Mat greyGrid(const cv::Mat& bgr, int side) {
    if (bgr.empty() || side <= 0 || bgr.type() != CV_8UC3) return {};
    cv::Mat small, grey;
    shrinkByArea(bgr, small, cv::Size(side, side));
    cv::cvtColor(small, grey, cv::COLOR_BGR2GRAY);
    return grey.isContinuous() ? grey : grey.clone();
}

} // namespace keepsift
