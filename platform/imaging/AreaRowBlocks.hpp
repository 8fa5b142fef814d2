#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>

namespace keepsift::area_rows {

// The weights across, every output pixel given as many as the widest one: the extra weights are
// zero, and adding a zero product leaves a sum unchanged, so each pixel loops the same number
// of times and the loop's end is always foreseen.
struct Columns {
    std::vector<int> first;
    std::vector<float> weight; // taps to each output pixel
    int taps = 0;
};

// How many source rows are averaged across at once, one to a vector lane: eight where the
// processor has AVX2, else four. Both give the same sums.
enum class Block { widest, four, eight };

class RowAverager;

// The source rows of an 8-bit picture of one or three channels averaged across, a block of
// rows at a time, each kept while output rows use it. Every output value sums its weighted
// source values in order, as OpenCV's area resize does, so it rounds the same way.
class AcrossRows {
public:
    AcrossRows(const cv::Mat& source, const Columns& columns, int width, Block block);
    ~AcrossRows();

    // The given row averaged across: width times channels floats.
    const float* row(int sourceRow);

private:
    void fill(int firstRow);

    const cv::Mat& source_;
    const size_t width_; // of an output row, in floats
    std::unique_ptr<RowAverager> averager_;
    std::vector<float> rows_;
    int first_ = -1;
};

} // namespace keepsift::area_rows
