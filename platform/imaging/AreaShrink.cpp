#include "platform/imaging/AreaShrink.hpp"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <emmintrin.h>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace keepsift {
namespace {

using Lanes = float __attribute__((vector_size(16)));

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
    std::vector<Lanes> lanes; // each weight in every lane
    int taps = 0;
};

Columns padded(const Weights& table) {
    Columns columns{table.first, {}, *std::max_element(table.count.begin(), table.count.end())};
    columns.lanes.assign(table.first.size() * static_cast<size_t>(columns.taps), Lanes{});
    for (size_t d = 0; d < table.first.size(); ++d)
        for (int k = 0; k < table.count[d]; ++k) {
            const float weight = table.weight[static_cast<size_t>(table.offset[d] + k)];
            columns.lanes[d * static_cast<size_t>(columns.taps) + static_cast<size_t>(k)] =
                Lanes{weight, weight, weight, weight};
        }
    return columns;
}

// Source rows averaged across together, one to a lane: every sum stays the sum of one
// pixel's values in order, so it rounds as OpenCV's does, and each weight is read once for
// the rows of a block instead of once for each of them.
constexpr int blockRows = 4;

// The same value of the four rows of a block, one to a lane.
void interleave(const std::array<const std::uint8_t*, blockRows>& rows, size_t count, Lanes* out) {
    size_t p = 0;
    const __m128i zero = _mm_setzero_si128();
    auto load = [&](int r) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[static_cast<size_t>(r)] + p));
    };
    auto store = [&](size_t at, __m128i words, bool high) {
        const __m128i quad =
            high ? _mm_unpackhi_epi16(words, zero) : _mm_unpacklo_epi16(words, zero);
        const __m128 value = _mm_cvtepi32_ps(quad);
        std::memcpy(&out[at], &value, sizeof value);
    };
    for (; p + 16 <= count; p += 16) {
        const __m128i a = load(0), b = load(1), c = load(2), d = load(3);
        const __m128i pairs[2][2] = {{_mm_unpacklo_epi8(a, b), _mm_unpacklo_epi8(c, d)},
                                     {_mm_unpackhi_epi8(a, b), _mm_unpackhi_epi8(c, d)}};
        for (size_t half = 0; half < 2; ++half) {
            const __m128i quads[2] = {_mm_unpacklo_epi16(pairs[half][0], pairs[half][1]),
                                      _mm_unpackhi_epi16(pairs[half][0], pairs[half][1])};
            for (size_t q = 0; q < 2; ++q) {
                const size_t at = p + 8 * half + 4 * q;
                const __m128i low = _mm_unpacklo_epi8(quads[q], zero);
                const __m128i high = _mm_unpackhi_epi8(quads[q], zero);
                store(at, low, false);
                store(at + 1, low, true);
                store(at + 2, high, false);
                store(at + 3, high, true);
            }
        }
    }
    for (; p < count; ++p)
        out[p] = Lanes{float(rows[0][p]), float(rows[1][p]), float(rows[2][p]), float(rows[3][p])};
}

// The rows of a block averaged across: each output value sums its weighted source values in
// order, as OpenCV's scatter does.
template <int channels>
void across(const Lanes* row, const Columns& columns, Lanes* out, int width) {
    const int taps = columns.taps;
    for (int d = 0; d < width; ++d) {
        const Lanes* weight = &columns.lanes[static_cast<size_t>(d) * taps];
        const Lanes* pixel = row + static_cast<ptrdiff_t>(columns.first[d]) * channels;
        Lanes sum[channels] = {};
#pragma GCC unroll 4
        for (int k = 0; k < taps; ++k)
            for (int c = 0; c < channels; ++c)
                sum[c] += pixel[k * channels + c] * weight[k];
        for (int c = 0; c < channels; ++c)
            out[d * channels + c] = sum[c];
    }
}

// Lane r of every value into rows[r].
void deinterleave(const Lanes* values, size_t count, std::array<float*, blockRows> rows) {
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 v0, v1, v2, v3;
        std::memcpy(&v0, &values[i], sizeof v0);
        std::memcpy(&v1, &values[i + 1], sizeof v1);
        std::memcpy(&v2, &values[i + 2], sizeof v2);
        std::memcpy(&v3, &values[i + 3], sizeof v3);
        _MM_TRANSPOSE4_PS(v0, v1, v2, v3);
        _mm_storeu_ps(rows[0] + i, v0);
        _mm_storeu_ps(rows[1] + i, v1);
        _mm_storeu_ps(rows[2] + i, v2);
        _mm_storeu_ps(rows[3] + i, v3);
    }
    for (; i < count; ++i)
        for (size_t r = 0; r < blockRows; ++r)
            rows[r][i] = values[i][r];
}

// Source rows averaged across, a block of them at a time, kept while output rows use them.
template <int channels> class AcrossRows {
public:
    AcrossRows(const cv::Mat& source, const Columns& columns, int width)
        : source_(source), columns_(columns), width_(width),
          sourceWidth_(static_cast<size_t>(source.cols) * channels),
          outWidth_(static_cast<size_t>(width) * channels),
          // A pixel's padded weights reach past the row's end; they read zeros.
          interleaved_(sourceWidth_ + static_cast<size_t>(columns.taps) * channels, Lanes{}),
          across_(outWidth_), rows_(outWidth_ * blockRows) {}

    const float* row(int sourceRow) {
        if (first_ < 0 || sourceRow < first_ || sourceRow >= first_ + blockRows) fill(sourceRow);
        return &rows_[static_cast<size_t>(sourceRow - first_) * outWidth_];
    }

private:
    void fill(int firstRow) {
        first_ = firstRow;
        std::array<const std::uint8_t*, blockRows> bytes{};
        for (int r = 0; r < blockRows; ++r)
            bytes[static_cast<size_t>(r)] =
                source_.ptr<std::uint8_t>(std::min(firstRow + r, source_.rows - 1));
        interleave(bytes, sourceWidth_, interleaved_.data());
        across<channels>(interleaved_.data(), columns_, across_.data(), width_);
        std::array<float*, blockRows> rows{};
        for (size_t r = 0; r < blockRows; ++r)
            rows[r] = &rows_[r * outWidth_];
        deinterleave(across_.data(), outWidth_, rows);
    }

    const cv::Mat& source_;
    const Columns& columns_;
    const int width_;
    const size_t sourceWidth_, outWidth_;
    std::vector<Lanes> interleaved_, across_;
    std::vector<float> rows_;
    int first_ = -1;
};

template <int channels>
void shrink(const cv::Mat& source, cv::Mat& shrunk, double scaleX, double scaleY) {
    const Columns columns = padded(weightsFor(source.cols, shrunk.cols, scaleX));
    const Weights rows = weightsFor(source.rows, shrunk.rows, scaleY);
    const size_t width = static_cast<size_t>(shrunk.cols) * channels;
    AcrossRows<channels> acrossRows(source, columns, shrunk.cols);
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
