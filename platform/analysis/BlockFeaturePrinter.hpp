#pragma once

#include "platform/analysis/FeaturePrinter.hpp"

namespace keepsift {

// A handcrafted print in two parts. The content part, four blocks made on a small resample
// (where the colours lie, which colours occur, how the edges run, the coarse shape), decides
// whether two photographs show one moment: each block is centred, L2-normalised and weighted,
// and the part is scaled to contentLength. The detail part, the detail level of a larger grey
// copy, sets blurred or shaken shots apart from the sharp one: each reading lies on circles of
// a few frequencies, so its distance grows with the difference and then levels off, and the
// whole part can add no more than detailBound to any distance. The weights and sizes are
// frozen with the recipe: changing them changes every stored distance.
class BlockFeaturePrinter final : public FeaturePrinter {
public:
    static constexpr int resampleSide = 64;
    static constexpr int layoutCells = 8;       // 8 x 8 cells x 3 channels = 192 values
    static constexpr int chromaBins = 8;        // 8 x 8 chromaticity histogram = 64 values
    static constexpr int gradientSide = 32;     // edges of a 32 x 32 lightness resample
    static constexpr int gradientCells = 4;     // 4 x 4 cells x 2 directions = 32 values
    static constexpr int shapeSide = 32;        // DCT of a 32 x 32 lightness resample
    static constexpr int shapeCoefficients = 4; // 4 x 4 lowest frequencies less DC = 15 values
    static constexpr int detailReadings = 7;
    static constexpr int detailFrequencies = 3;
    static constexpr int detailValues = detailReadings * detailFrequencies * 2;
    static constexpr int length = layoutCells * layoutCells * 3 + chromaBins * chromaBins +
                                  gradientCells * gradientCells * 2 +
                                  shapeCoefficients * shapeCoefficients - 1 + detailValues;
    static_assert(length <= 512);

    static constexpr double colourLayoutWeight = 0.5;
    static constexpr double colourDistributionWeight = 0.15;
    static constexpr double gradientStructureWeight = 0.27;
    static constexpr double lowFrequencyShapeWeight = 0.8;
    // Unrelated pictures lie beyond distanceThreshold, and shots of one moment within it, by
    // about as much on either side at this length; a RAW developed here and the camera's JPEG
    // of it still read as one moment.
    static constexpr double contentLength = 1.18;
    // The edge and shape blocks fade out over this share of each side: a small crop or a step
    // aside changes what lies at the edges.
    static constexpr double edgeFading = 0.2;
    // Chroma counts for less than lightness in the colour layout.
    static constexpr double layoutChromaScale = 0.6;

    // One reading of the detail level: a difference of `scale` in it turns the circles by
    // about one radian; two readings far apart lie about radius times the square root of two
    // apart, never more than twice the radius.
    struct DetailReading {
        double radius, scale;
    };
    static constexpr double detailTurns[detailFrequencies] = {0.8, 1.9, 3.1};
    static constexpr DetailReading fineToCoarseReading{0.03, 0.38};
    static constexpr DetailReading leastFineReading{0.036, 0.44};
    static constexpr DetailReading leastFinestReading{0.06, 0.33};
    static constexpr DetailReading anisotropyReading{0.026, 0.127};       // each of two terms
    static constexpr DetailReading finestAnisotropyReading{0.028, 0.146}; // each of two terms
    // The most the detail part adds to a distance: twice the root of the radii's squares.
    static double detailBound();

    std::vector<float> print(const cv::Mat& uprightBgr) const override;
    std::vector<float> print(const cv::Mat& uprightBgr, const cv::Mat& uprightGrey) const override;
};

} // namespace keepsift
