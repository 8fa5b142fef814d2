#include "platform/imaging/AreaRowBlocks.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <immintrin.h>
#include <new>

namespace keepsift::area_rows {

// Averages a block of source rows across into output rows.
class RowAverager {
public:
    virtual ~RowAverager() = default;
    virtual size_t rows() const = 0;
    // rows() source rows of bytes in, as many output rows of floats out.
    virtual void average(const std::uint8_t* const* source, float* const* out) = 0;
};

namespace {

using Lanes4 = float __attribute__((vector_size(16)));
using Lanes8 = float __attribute__((vector_size(32)));

// Zeroed vectors on a 32-byte boundary: outside AVX code the compiler aligns eight floats to 16
// bytes only, while AVX code counts on 32.
template <typename Lanes> class LaneBuffer {
public:
    explicit LaneBuffer(size_t count)
        : data_(static_cast<Lanes*>(::operator new(count * sizeof(Lanes), alignment))) {
        std::memset(static_cast<void*>(data_), 0, count * sizeof(Lanes));
    }
    ~LaneBuffer() { ::operator delete(data_, alignment); }
    LaneBuffer(const LaneBuffer&) = delete;
    LaneBuffer& operator=(const LaneBuffer&) = delete;

    Lanes* data() { return data_; }

private:
    static constexpr std::align_val_t alignment{32};
    Lanes* data_;
};

// The row pointers held apart from the rows: written values cannot change them, so they stay
// in registers.
template <size_t count, typename Pointer> std::array<Pointer, count> local(const Pointer* given) {
    std::array<Pointer, count> copied;
    std::copy_n(given, count, copied.begin());
    return copied;
}

// The same value of the four rows, one to a lane.
void interleave(const std::uint8_t* const* given, size_t count, Lanes4* out) {
    const auto rows = local<4>(given);
    size_t p = 0;
    const __m128i zero = _mm_setzero_si128();
    auto load = [&](int r) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r] + p));
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
        out[p] = Lanes4{float(rows[0][p]), float(rows[1][p]), float(rows[2][p]), float(rows[3][p])};
}

// The low eight bytes as eight floats.
[[gnu::target("avx2")]] inline void widen(__m128i bytes, Lanes8* out) {
    const __m256 value = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes));
    std::memcpy(out, &value, sizeof value);
}

// The same value of the eight rows, one to a lane.
[[gnu::target("avx2")]] void interleave(const std::uint8_t* const* given, size_t count,
                                        Lanes8* out) {
    const auto rows = local<8>(given);
    size_t p = 0;
    for (; p + 16 <= count; p += 16) {
        __m128i pairs[2][4];
        for (int j = 0; j < 4; ++j) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * j] + p));
            const __m128i b =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * j + 1] + p));
            pairs[0][j] = _mm_unpacklo_epi8(a, b);
            pairs[1][j] = _mm_unpackhi_epi8(a, b);
        }
        for (size_t half = 0; half < 2; ++half)
            for (size_t q = 0; q < 2; ++q) {
                const auto& pair = pairs[half];
                const __m128i quads[2] = {q ? _mm_unpackhi_epi16(pair[0], pair[1])
                                            : _mm_unpacklo_epi16(pair[0], pair[1]),
                                          q ? _mm_unpackhi_epi16(pair[2], pair[3])
                                            : _mm_unpacklo_epi16(pair[2], pair[3])};
                for (size_t s = 0; s < 2; ++s) {
                    const __m128i two = s ? _mm_unpackhi_epi32(quads[0], quads[1])
                                          : _mm_unpacklo_epi32(quads[0], quads[1]);
                    const size_t at = p + 8 * half + 4 * q + 2 * s;
                    widen(two, &out[at]);
                    widen(_mm_srli_si128(two, 8), &out[at + 1]);
                }
            }
    }
    for (; p < count; ++p)
        for (size_t r = 0; r < 8; ++r)
            out[p][r] = float(rows[r][p]);
}

// Each output value sums its weighted source values in order; the rows ride in the lanes.
template <typename Lanes, int channels>
[[gnu::always_inline]] inline void across(const Lanes* row, const Columns& columns, Lanes* out,
                                          int width) {
    const int taps = columns.taps;
    for (int d = 0; d < width; ++d) {
        const float* weight = &columns.weight[static_cast<size_t>(d) * taps];
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
void deinterleave(const Lanes4* values, size_t count, float* const* given) {
    const auto rows = local<4>(given);
    // Loaded whole: a copy through memory would store halves and load wholes, which stalls.
    const auto* floats = reinterpret_cast<const float*>(values);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 v[4];
        for (size_t j = 0; j < 4; ++j)
            v[j] = _mm_load_ps(floats + 4 * (i + j));
        _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
        for (size_t r = 0; r < 4; ++r)
            _mm_storeu_ps(rows[r] + i, v[r]);
    }
    for (; i < count; ++i)
        for (size_t r = 0; r < 4; ++r)
            rows[r][i] = values[i][r];
}

[[gnu::target("avx2")]] void deinterleave(const Lanes8* values, size_t count, float* const* given) {
    const auto rows = local<8>(given);
    const auto* floats = reinterpret_cast<const float*>(values);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 low[4], high[4];
        for (size_t j = 0; j < 4; ++j) {
            const __m256 v = _mm256_load_ps(floats + 8 * (i + j));
            low[j] = _mm256_castps256_ps128(v);
            high[j] = _mm256_extractf128_ps(v, 1);
        }
        _MM_TRANSPOSE4_PS(low[0], low[1], low[2], low[3]);
        _MM_TRANSPOSE4_PS(high[0], high[1], high[2], high[3]);
        for (size_t r = 0; r < 4; ++r) {
            _mm_storeu_ps(rows[r] + i, low[r]);
            _mm_storeu_ps(rows[r + 4] + i, high[r]);
        }
    }
    for (; i < count; ++i)
        for (size_t r = 0; r < 8; ++r)
            rows[r][i] = values[i][r];
}

struct Shape {
    size_t sourceWidth; // bytes in a source row
    size_t width;       // floats in an output row
    int pixels;         // in an output row
};

template <typename Lanes> struct Scratch {
    // A pixel's padded weights reach past the row's end; they read zeros.
    Scratch(const Shape& shape, int channels, int taps)
        : interleaved(shape.sourceWidth + static_cast<size_t>(taps * channels)),
          across(shape.width) {}
    LaneBuffer<Lanes> interleaved, across;
};

template <int channels>
void averageBlock(Scratch<Lanes4>& scratch, const Shape& shape, const Columns& columns,
                  const std::uint8_t* const* source, float* const* out) {
    interleave(source, shape.sourceWidth, scratch.interleaved.data());
    across<Lanes4, channels>(scratch.interleaved.data(), columns, scratch.across.data(),
                             shape.pixels);
    deinterleave(scratch.across.data(), shape.width, out);
}

template <int channels>
[[gnu::target("avx2")]] void averageBlock(Scratch<Lanes8>& scratch, const Shape& shape,
                                          const Columns& columns, const std::uint8_t* const* source,
                                          float* const* out) {
    interleave(source, shape.sourceWidth, scratch.interleaved.data());
    across<Lanes8, channels>(scratch.interleaved.data(), columns, scratch.across.data(),
                             shape.pixels);
    deinterleave(scratch.across.data(), shape.width, out);
}

template <typename Lanes, int channels> class LanesAverager final : public RowAverager {
public:
    LanesAverager(const Columns& columns, const Shape& shape)
        : columns_(columns), shape_(shape), scratch_(shape, channels, columns.taps) {}

    size_t rows() const override { return sizeof(Lanes) / sizeof(float); }

    void average(const std::uint8_t* const* source, float* const* out) override {
        averageBlock<channels>(scratch_, shape_, columns_, source, out);
    }

private:
    const Columns& columns_;
    const Shape shape_;
    Scratch<Lanes> scratch_;
};

template <typename Lanes>
std::unique_ptr<RowAverager> averagerOf(const Columns& columns, const Shape& shape, int channels) {
    if (channels == 3) return std::make_unique<LanesAverager<Lanes, 3>>(columns, shape);
    return std::make_unique<LanesAverager<Lanes, 1>>(columns, shape);
}

bool eightFit(Block block) {
    return block != Block::four && __builtin_cpu_supports("avx2");
}

} // namespace

AcrossRows::AcrossRows(const cv::Mat& source, const Columns& columns, int width, Block block)
    : source_(source), width_(static_cast<size_t>(width) * source.channels()) {
    const Shape shape{static_cast<size_t>(source.cols) * source.channels(), width_, width};
    averager_ = eightFit(block) ? averagerOf<Lanes8>(columns, shape, source.channels())
                                : averagerOf<Lanes4>(columns, shape, source.channels());
    rows_.resize(width_ * averager_->rows());
}

AcrossRows::~AcrossRows() = default;

const float* AcrossRows::row(int sourceRow) {
    const int block = static_cast<int>(averager_->rows());
    if (first_ < 0 || sourceRow < first_ || sourceRow >= first_ + block) fill(sourceRow);
    return &rows_[static_cast<size_t>(sourceRow - first_) * width_];
}

void AcrossRows::fill(int firstRow) {
    first_ = firstRow;
    const size_t block = averager_->rows();
    std::array<const std::uint8_t*, 8> source{};
    std::array<float*, 8> out{};
    // Rows past the picture's end repeat its last; what they give is never read.
    for (size_t r = 0; r < block; ++r) {
        source[r] =
            source_.ptr<std::uint8_t>(std::min(firstRow + static_cast<int>(r), source_.rows - 1));
        out[r] = &rows_[r * width_];
    }
    averager_->average(source.data(), out.data());
}

} // namespace keepsift::area_rows
