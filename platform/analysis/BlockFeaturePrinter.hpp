#pragma once

#include "platform/analysis/FeaturePrinter.hpp"

namespace keepsift {

// A handcrafted print of four blocks made on a small resample: where the colours lie, which
// colours occur, how the edges run, and the coarse shape. Each block is centred and
// L2-normalised, then weighted. A fifth block, the detail level of a larger grey copy, sets
// blurred or shaken shots apart from sharp ones. The whole is scaled to unit length. The weights
// and sizes are frozen with the recipe: changing them changes every stored distance.
class BlockFeaturePrinter final : public FeaturePrinter {
public:
    static constexpr int resampleSide = 64;
    static constexpr int layoutCells = 8;       // 8 x 8 cells x 3 channels = 192 values
    static constexpr int chromaBins = 8;        // 8 x 8 chromaticity histogram = 64 values
    static constexpr int gradientSide = 32;     // edges of a 32 x 32 lightness resample
    static constexpr int gradientCells = 4;     // 4 x 4 cells x 2 directions = 32 values
    static constexpr int shapeSide = 32;        // DCT of a 32 x 32 lightness resample
    static constexpr int shapeCoefficients = 4; // 4 x 4 lowest frequencies less DC = 15 values
    static constexpr int detailValues = 2 + 2 + 2 + 2 + 2; // three turns, two anisotropies
    static constexpr int length = layoutCells * layoutCells * 3 + chromaBins * chromaBins +
                                  gradientCells * gradientCells * 2 +
                                  shapeCoefficients * shapeCoefficients - 1 + detailValues;
    static_assert(length <= 512);

    static constexpr double colourLayoutWeight = 0.5;
    static constexpr double colourDistributionWeight = 0.15;
    static constexpr double gradientStructureWeight = 0.27;
    static constexpr double lowFrequencyShapeWeight = 0.8;
    // The edge and shape blocks fade out over this share of each side: a small crop or a step
    // aside changes what lies at the edges.
    static constexpr double edgeFading = 0.2;
    // Chroma counts for less than lightness in the colour layout.
    static constexpr double layoutChromaScale = 0.6;
    // The fine-to-coarse ratio, and its least value across directions for the fine and the
    // finest band, each turn a unit vector by so many radians per unit of their log between a
    // low and a high bound (where photographs and their blurred shots lie; each turn stays
    // under half a circle), so a blurred shot moves away from its sharp twin by a bounded
    // amount, and shakes in different directions move alike. The anisotropies move with a
    // shake but not with a copy; each enters linearly up to about anisotropyKnee and flattens
    // beyond, so shakes in two directions stay one moment.
    struct Turn {
        double weight, radiansPerUnit, low, high;
    };
    static constexpr Turn fineToCoarseTurn{0.111, 0.54, -3.921, 0.54};
    static constexpr Turn leastFineTurn{0.179, 2.366, -0.571, 0.623};
    static constexpr Turn leastFinestTurn{0.193, 0.697, -1.355, 2.072};
    static constexpr double anisotropyWeight = 1.142;
    static constexpr double finestAnisotropyWeight = 1.78;
    static constexpr double anisotropyKnee = 0.273;

    std::vector<float> print(const cv::Mat& uprightBgr) const override;
};

} // namespace keepsift
