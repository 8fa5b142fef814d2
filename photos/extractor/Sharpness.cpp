#include "photos/extractor/LiveSignalExtractor.hpp"
#include "platform/analysis/GreyGrid.hpp"

namespace keepsift {

float LiveSignalExtractor::sharpness(const cv::Mat& image) const {
    cv::Mat grid = greyGrid(image, sharpnessSize);
    if (grid.empty()) return 0.f;
    return sharpnessOfGrid(grid.ptr<std::uint8_t>(), sharpnessSize);
}

float LiveSignalExtractor::sharpnessOfGrid(const std::uint8_t* grid, int side) {
    double sum = 0, sumOfSquares = 0, count = 0;
    for (int y = 1; y < side - 1; ++y) {
        const std::uint8_t* row = grid + static_cast<size_t>(y) * static_cast<size_t>(side);
        for (int x = 1; x < side - 1; ++x) {
            double laplacian =
                4.0 * row[x] - row[x - 1] - row[x + 1] - row[x - side] - row[x + side];
            sum += laplacian;
            sumOfSquares += laplacian * laplacian;
            count += 1;
        }
    }
    if (count == 0) return 0.f;
    double mean = sum / count;
    double variance = sumOfSquares / count - mean * mean;
    if (!(variance >= 0)) variance = 0;
    return static_cast<float>(variance / 1000.0);
}

} // namespace keepsift
