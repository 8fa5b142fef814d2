#pragma once

#include <vector>

#include <opencv2/core.hpp>

namespace keepsift::print_blocks {

// Each block takes the resampled picture as 32-bit floats (Lab, BGR in 0...1, or Lab's
// lightness) and returns raw values; the printer centres, normalises and weights them.
std::vector<double> colourLayout(const cv::Mat& lab, int cells, double chromaScale);
std::vector<double> colourDistribution(const cv::Mat& bgr, int bins);
std::vector<double> gradientStructure(const cv::Mat& lightness, int side, int cells);
std::vector<double> lowFrequencyShape(const cv::Mat& lightness, int side, int coefficients);

// Subtracts the mean and scales to unit length; an all-equal block becomes all zeros.
void centreAndNormalise(std::vector<double>& block);

} // namespace keepsift::print_blocks
