#pragma once

#include <opencv2/core.hpp>

#include "platform/imaging/AreaRowBlocks.hpp"

namespace keepsift {

// cv::resize with INTER_AREA, to the pixel: the same arguments (a size, or else the two
// factors), the same output. OpenCV shrinks by a factor that is not whole with a scalar
// scatter loop, a quarter of the cost of measuring a photograph; for 8-bit pictures of one or
// three channels this does the same sums in the same order, a block of four or eight source
// rows at a time, several times as fast. Everything else goes to cv::resize.
void shrinkByArea(const cv::Mat& source, cv::Mat& shrunk, cv::Size size, double fx = 0,
                  double fy = 0);
// The same with the number of rows averaged across at once chosen, so that tests can hold
// each way to OpenCV's pixels.
void shrinkByArea(const cv::Mat& source, cv::Mat& shrunk, cv::Size size, double fx, double fy,
                  area_rows::Block block);

} // namespace keepsift
