#pragma once

#include <vector>

#include <opencv2/core.hpp>

namespace keepsift::print_blocks {

// Each block takes the resampled picture as 32-bit floats (Lab, BGR in 0...1, or Lab's
// lightness) and returns raw values; the printer centres, normalises and weights them.
std::vector<double> colourLayout(const cv::Mat& lab, int cells, double chromaScale);
std::vector<double> colourDistribution(const cv::Mat& bgr, int bins);
// The edge strength is weighted by edgeWindow, so what lies at the frame's edges counts less.
std::vector<double> gradientStructure(const cv::Mat& lightness, int side, int cells,
                                      double fadingShare);
std::vector<double> lowFrequencyShape(const cv::Mat& lightness, int side, int coefficients);

// A weight of the given size that is 1 inside and falls to 0 at the frame's edges along a
// raised cosine over fadingShare of each side. A small crop or a step aside changes what lies
// at the edges, so faded blocks move little under it.
cv::Mat edgeWindow(cv::Size size, double fadingShare);
// The lightness with its differences from its mean faded towards the edges.
cv::Mat fadedToEdges(const cv::Mat& lightness, double fadingShare);

// Subtracts the mean and scales to unit length; an all-equal block becomes all zeros.
void centreAndNormalise(std::vector<double>& block);

} // namespace keepsift::print_blocks
