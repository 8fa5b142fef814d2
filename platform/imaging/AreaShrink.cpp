#include "platform/imaging/AreaShrink.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <emmintrin.h>
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

// A source row's weighted values added to the sums of an output row, in the order of the rows.
// The first row's products stand alone: zero plus a product is the product.
__attribute__((target_clones("avx2", "default"))) void
weigh(float* sum, const float* row, float weight, size_t width, bool first) {
    if (first)
        for (size_t i = 0; i < width; ++i)
            sum[i] = weight * row[i];
    else
        for (size_t i = 0; i < width; ++i)
            sum[i] += weight * row[i];
}

// cv::saturate_cast<uchar> of every sum, sixteen at a time: both round to the nearest even
// integer and clamp to 0...255.
void toBytes(const float* sum, std::uint8_t* out, size_t width) {
    size_t i = 0;
    for (; i + 16 <= width; i += 16) {
        __m128i whole[4];
        for (size_t j = 0; j < 4; ++j)
            whole[j] = _mm_cvtps_epi32(_mm_loadu_ps(sum + i + 4 * j));
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(whole[0], whole[1]),
                                               _mm_packs_epi32(whole[2], whole[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
    }
    for (; i < width; ++i)
        out[i] = cv::saturate_cast<std::uint8_t>(sum[i]);
}

void shrink(const cv::Mat& source, cv::Mat& shrunk, double scaleX, double scaleY,
            area_rows::Block block) {
    const area_rows::Columns columns = padded(weightsFor(source.cols, shrunk.cols, scaleX));
    const Weights rows = weightsFor(source.rows, shrunk.rows, scaleY);
    const size_t width = static_cast<size_t>(shrunk.cols) * source.channels();
    area_rows::AcrossRows acrossRows(source, columns, shrunk.cols, block);
    std::vector<float> sum(width);
    for (int y = 0; y < shrunk.rows; ++y) {
        for (int k = 0; k < rows.count[y]; ++k)
            weigh(sum.data(), acrossRows.row(rows.first[y] + k),
                  rows.weight[static_cast<size_t>(rows.offset[y] + k)], width, k == 0);
        toBytes(sum.data(), shrunk.ptr<std::uint8_t>(y), width);
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
