// Odd but real files from Debian packages: tiny, palette, 16-bit, multi-page and cut short.

#include <gtest/gtest.h>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "platform/analysis/tests/SampleImages.hpp"

namespace keepsift {
namespace {

class SampleFiles : public ::testing::TestWithParam<std::pair<const char*, bool>> {
protected:
    LiveSignalExtractor extractor{testing::sharedContext(), nullptr};
};

TEST_P(SampleFiles, AreMeasuredOrRefusedWithoutHarm) {
    auto [name, measurable] = GetParam();
    auto path = samples::fetchOne("python3-skimage", std::string(samples::skimageData) + name);
    if (!path) GTEST_SKIP() << samples::unavailable;
    auto signals = extractor.signals(testing::fileReference(path->string(), name));
    EXPECT_EQ(signals.has_value(), measurable) << name;
    if (signals) {
        EXPECT_GT(signals->pixelWidth, 0);
        EXPECT_TRUE(std::isfinite(signals->sharpness));
        EXPECT_TRUE(std::isfinite(signals->aestheticsScore));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Skimage, SampleFiles,
    ::testing::Values(std::pair{"truncated.jpg", false}, std::pair{"foo3x5x4indexed.png", true},
                      std::pair{"chessboard_GRAY_U16.tif", true}, std::pair{"multipage.tif", true},
                      std::pair{"palette_gray.png", true}, std::pair{"green_palette.png", true},
                      std::pair{"block.png", true}, std::pair{"hubble_deep_field.jpg", true}));

} // namespace
} // namespace keepsift
