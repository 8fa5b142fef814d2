#include "platform/imaging/AreaShrink.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
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

// The weights across, every output pixel given as many as the widest one: the extra weights are
// zero, and adding a zero product leaves a sum unchanged, so each pixel loops the same number
// of times and the loop's end is always foreseen.
struct Columns {
    std::vector<int> first;
    std::vector<float> weight;
    int taps = 0;
};

Columns padded(const Weights& table) {
    Columns columns{table.first, {}, *std::max_element(table.count.begin(), table.count.end())};
    columns.weight.assign(table.first.size() * static_cast<size_t>(columns.taps), 0.f);
    for (size_t d = 0; d < table.first.size(); ++d)
        std::copy_n(table.weight.begin() + table.offset[d], table.count[d],
                    columns.weight.begin() + static_cast<ptrdiff_t>(d * columns.taps));
    return columns;
}

using Lanes = float __attribute__((vector_size(16)));

// One source row averaged across: each output pixel sums its weighted source pixels in
// order, as OpenCV's scatter does, so every sum rounds the same way. The three channels of a
// pixel travel together in one vector (the fourth lane reads the row's padding and is dropped).
template <int channels>
void across(const float* row, const Columns& columns, float* out, int width) {
    const int taps = columns.taps;
    for (int d = 0; d < width; ++d) {
        const float* weight = &columns.weight[static_cast<size_t>(d) * taps];
        const float* pixel = row + static_cast<ptrdiff_t>(columns.first[d]) * channels;
        if constexpr (channels == 3) {
            Lanes sum = {0, 0, 0, 0};
            for (int k = 0; k < taps; ++k) {
                Lanes value;
                std::memcpy(&value, pixel + 3 * k, sizeof value);
                sum += value * weight[k];
            }
            for (int c = 0; c < 3; ++c)
                out[3 * d + c] = sum[c];
        } else {
            float sum = 0;
            for (int k = 0; k < taps; ++k)
                sum += pixel[k] * weight[k];
            out[d] = sum;
        }
    }
}

template <int channels>
void shrink(const cv::Mat& source, cv::Mat& shrunk, double scaleX, double scaleY) {
    const Columns columns = padded(weightsFor(source.cols, shrunk.cols, scaleX));
    const Weights rows = weightsFor(source.rows, shrunk.rows, scaleY);
    const size_t sourceWidth = static_cast<size_t>(source.cols) * channels;
    const size_t width = static_cast<size_t>(shrunk.cols) * channels;
    std::vector<float> row(sourceWidth + static_cast<size_t>(columns.taps) * channels + 1, 0.f);
    std::vector<float> across1(width), sum(width);
    int rowAcross = -1;
    for (int y = 0; y < shrunk.rows; ++y) {
        std::fill(sum.begin(), sum.end(), 0.f);
        for (int k = 0; k < rows.count[y]; ++k) {
            const int sourceRow = rows.first[y] + k;
            // A row on the border between two output rows is averaged across once.
            if (sourceRow != rowAcross) {
                const std::uint8_t* bytes = source.ptr<std::uint8_t>(sourceRow);
                for (size_t i = 0; i < sourceWidth; ++i)
                    row[i] = bytes[i];
                across<channels>(row.data(), columns, across1.data(), shrunk.cols);
                rowAcross = sourceRow;
            }
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
    if (source.channels() == 3)
        shrink<3>(source, out, scaleX, scaleY);
    else
        shrink<1>(source, out, scaleX, scaleY);
    shrunk = out;
}

} // namespace keepsift
