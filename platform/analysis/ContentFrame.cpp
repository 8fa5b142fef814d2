#include "platform/analysis/ContentFrame.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace keepsift {
namespace {

enum class Side { top, bottom, left, right };
constexpr std::array<Side, 4> sides{Side::top, Side::bottom, Side::left, Side::right};

bool runsAcross(Side side) {
    return side == Side::top || side == Side::bottom;
}

// How many lines the side has inside the rectangle.
int depth(const cv::Rect& rect, Side side) {
    return runsAcross(side) ? rect.height : rect.width;
}

// The index-th line from the side inwards: a row or a column, one pixel thick.
cv::Mat line(const cv::Mat& bgr, const cv::Rect& rect, Side side, int index) {
    switch (side) {
    case Side::top:
        return bgr(cv::Rect(rect.x, rect.y + index, rect.width, 1));
    case Side::bottom:
        return bgr(cv::Rect(rect.x, rect.br().y - 1 - index, rect.width, 1));
    case Side::left:
        return bgr(cv::Rect(rect.x + index, rect.y, 1, rect.height));
    case Side::right:
        return bgr(cv::Rect(rect.br().x - 1 - index, rect.y, 1, rect.height));
    }
    return {};
}

cv::Rect trimmed(cv::Rect rect, Side side, int lines) {
    switch (side) {
    case Side::top:
        rect.y += lines;
        [[fallthrough]];
    case Side::bottom:
        rect.height -= lines;
        break;
    case Side::left:
        rect.x += lines;
        [[fallthrough]];
    case Side::right:
        rect.width -= lines;
        break;
    }
    return rect;
}

// A one-pixel-thick line's pixels, whichever way it runs.
template <typename Visit> void forEachPixel(const cv::Mat& line, Visit visit) {
    for (int i = 0; i < static_cast<int>(line.total()); ++i)
        visit(line.rows == 1 ? line.at<cv::Vec3b>(0, i) : line.at<cv::Vec3b>(i, 0));
}

// Per channel, so the colour of a noisy band is one its pixels really share.
cv::Vec3b medianColour(const cv::Mat& line) {
    std::array<std::array<int, 256>, 3> counts{};
    forEachPixel(line, [&](const cv::Vec3b& pixel) {
        for (int c = 0; c < 3; ++c)
            ++counts[c][pixel[c]];
    });
    cv::Vec3b median;
    const int half = static_cast<int>(line.total() + 1) / 2;
    for (int c = 0; c < 3; ++c) {
        int seen = 0, value = 0;
        while ((seen += counts[c][value]) < half)
            ++value;
        median[c] = static_cast<uchar>(value);
    }
    return median;
}

struct LineMeasure {
    double outliers = 0;  // share of pixels off the colour by more than the tolerance
    double deviation = 0; // mean over pixels of the largest channel difference
    double drift = 0;     // largest channel difference of the line's mean
    cv::Vec3b mean;
};

LineMeasure measure(const cv::Mat& line, const cv::Vec3b& colour) {
    LineMeasure result;
    std::array<double, 3> sums{};
    int outliers = 0;
    forEachPixel(line, [&](const cv::Vec3b& pixel) {
        int largest = 0;
        for (int c = 0; c < 3; ++c) {
            const int difference = pixel[c] - colour[c];
            sums[c] += difference;
            largest = std::max(largest, std::abs(difference));
        }
        outliers += largest > ContentFrame::pixelTolerance ? 1 : 0;
        result.deviation += largest;
    });
    const auto count = static_cast<double>(line.total());
    result.outliers = outliers / count;
    result.deviation /= count;
    for (int c = 0; c < 3; ++c) {
        result.drift = std::max(result.drift, std::abs(sums[c] / count));
        result.mean[c] = cv::saturate_cast<uchar>(colour[c] + sums[c] / count);
    }
    return result;
}

bool inBand(const LineMeasure& measure) {
    return measure.outliers <= ContentFrame::outlierShare && measure.drift <= ContentFrame::drift;
}

// The number of band lines to leave out on this side: none unless the band holds at most
// limit lines and ends in a step.
int bandWidth(const cv::Mat& bgr, const cv::Rect& rect, Side side, int least, int limit) {
    const int lines = depth(rect, side);
    if (limit < 1 || lines < 2) return 0;
    const cv::Vec3b colour = medianColour(line(bgr, rect, side, 0));
    int width = 0;
    cv::Vec3b innermost = colour;
    for (; width <= limit && width < lines; ++width) {
        const LineMeasure band = measure(line(bgr, rect, side, width), colour);
        if (!inBand(band)) break;
        innermost = band.mean;
    }
    if (width < least || width > limit || width == lines) return 0;
    // Measured from the band's innermost line, so a slow fade never reads as a step. The lines
    // between the band and the picture that compression rings or resampling blends go with the
    // band while they lie nearer its colour than the picture's.
    std::array<double, ContentFrame::stepReach + 1> deviations{};
    const int reach = std::min(lines - width, ContentFrame::stepReach + 1);
    for (int i = 0; i < reach; ++i)
        deviations[i] = measure(line(bgr, rect, side, width + i), innermost).deviation;
    const double peak = *std::max_element(deviations.begin(), deviations.begin() + reach);
    if (peak < ContentFrame::step) return 0;
    int transition = 0;
    while (deviations[transition] < peak / 2)
        ++transition;
    return std::min(width + transition, limit);
}

} // namespace

cv::Rect ContentFrame::of(const cv::Mat& bgr) {
    if (bgr.empty() || bgr.type() != CV_8UC3) return {};
    cv::Rect frame(0, 0, bgr.cols, bgr.rows);
    std::array<int, 4> least{}, budget{};
    for (size_t i = 0; i < sides.size(); ++i) {
        least[i] =
            std::max(1, static_cast<int>(std::lround(smallestShare * depth(frame, sides[i]))));
        budget[i] = static_cast<int>(largestShare * depth(frame, sides[i]));
    }
    // A frame may hold another (a mat inside a border), so the sides are walked again until
    // none moves.
    for (bool moved = true; moved;) {
        moved = false;
        for (size_t i = 0; i < sides.size(); ++i) {
            const int width = bandWidth(bgr, frame, sides[i], least[i], budget[i]);
            if (width == 0) continue;
            frame = trimmed(frame, sides[i], width);
            budget[i] -= width;
            moved = true;
        }
    }
    return frame;
}

} // namespace keepsift
