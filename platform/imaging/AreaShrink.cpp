#include "platform/imaging/AreaShrink.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace keepsift {
namespace {

// Which source pixels make one output pixel along an axis, and their weights, computed
// exactly as OpenCV does (in doubles, weights rounded to float, edges under 1e-3 dropped).
struct Weights {
    std::vector<int> first, count, offset;
    std::vector<float> weight;
};

Weights weightsFor(int sourceSide, int side, double scale) {
    Weights table;
    table.first.resize(static_cast<size_t>(side));
    table.count.resize(static_cast<size_t>(side));
    table.offset.resize(static_cast<size_t>(side));
    for (int d = 0; d < side; ++d) {
        const double start = d * scale, end = start + scale;
        const double cell = std::min(scale, sourceSide - start);
        int whole = static_cast<int>(std::ceil(start)), last = static_cast<int>(std::floor(end));
        last = std::min(last, sourceSide - 1);
        whole = std::min(whole, last);
        const auto index = static_cast<size_t>(d);
        table.offset[index] = static_cast<int>(table.weight.size());
        table.first[index] = whole;
        if (whole - start > 1e-3) {
            table.first[index] = whole - 1;
            table.weight.push_back(static_cast<float>((whole - start) / cell));
        }
        for (int s = whole; s < last; ++s)
            table.weight.push_back(static_cast<float>(1.0 / cell));
        if (end - last > 1e-3)
            table.weight.push_back(
                static_cast<float>(std::min(std::min(end - last, 1.), cell) / cell));
        table.count[index] = static_cast<int>(table.weight.size()) - table.offset[index];
    }
    return table;
}

area_rows::Columns padded(const Weights& table) {
    area_rows::Columns columns{
        table.first, {}, *std::max_element(table.count.begin(), table.count.end())};
    columns.weight.assign(table.first.size() * static_cast<size_t>(columns.taps), 0.f);
    for (size_t d = 0; d < table.first.size(); ++d)
        std::copy_n(table.weight.begin() + table.offset[d], table.count[d],
                    columns.weight.begin() + static_cast<ptrdiff_t>(d * columns.taps));
    return columns;
}

void shrink(const cv::Mat& source, cv::Mat& shrunk, double scaleX, double scaleY,
            area_rows::Block block) {
    const area_rows::Columns columns = padded(weightsFor(source.cols, shrunk.cols, scaleX));
    const Weights rows = weightsFor(source.rows, shrunk.rows, scaleY);
    const size_t width = static_cast<size_t>(shrunk.cols) * source.channels();
    area_rows::AcrossRows acrossRows(source, columns, shrunk.cols, block);
    std::vector<float> sum(width);
    for (int y = 0; y < shrunk.rows; ++y) {
        std::fill(sum.begin(), sum.end(), 0.f);
        for (int k = 0; k < rows.count[y]; ++k) {
            const float* across1 = acrossRows.row(rows.first[y] + k);
            const float weight = rows.weight[static_cast<size_t>(rows.offset[y] + k)];
            for (size_t i = 0; i < width; ++i)
                sum[i] += weight * across1[i];
        }
        std::uint8_t* out = shrunk.ptr<std::uint8_t>(y);
        for (size_t i = 0; i < width; ++i)
            out[i] = cv::saturate_cast<std::uint8_t>(sum[i]);
    }
}

bool isWhole(double scale) {
    return std::abs(scale - cv::saturate_cast<int>(scale)) < DBL_EPSILON;
}

} // namespace

void shrinkByArea(const cv::Mat& source, cv::Mat& shrunk, cv::Size size, double fx, double fy) {
    shrinkByArea(source, shrunk, size, fx, fy, area_rows::Block::widest);
}

void shrinkByArea(const cv::Mat& source, cv::Mat& shrunk, cv::Size size, double fx, double fy,
                  area_rows::Block block) {
    const bool handled = !source.empty() && source.depth() == CV_8U &&
                         (source.channels() == 1 || source.channels() == 3) && source.dims == 2;
    if (!handled) {
        cv::resize(source, shrunk, size, fx, fy, cv::INTER_AREA);
        return;
    }
    // The factors as cv::resize derives them.
    double inverseX = fx, inverseY = fy;
    if (!size.empty()) {
        inverseX = static_cast<double>(size.width) / source.cols;
        inverseY = static_cast<double>(size.height) / source.rows;
    } else {
        size = cv::Size(cv::saturate_cast<int>(source.cols * fx),
                        cv::saturate_cast<int>(source.rows * fy));
    }
    const double scaleX = 1. / inverseX, scaleY = 1. / inverseY;
    if (size.empty() || size == source.size() || scaleX < 1 || scaleY < 1 ||
        (isWhole(scaleX) && isWhole(scaleY))) {
        cv::resize(source, shrunk, size, fx, fy, cv::INTER_AREA);
        return;
    }
    cv::Mat out(size, source.type());
    shrink(source, out, scaleX, scaleY, block);
    shrunk = out;
}

} // namespace keepsift
