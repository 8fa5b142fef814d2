#include <gtest/gtest.h>

#include "platform/renditions/PngFile.hpp"
#include "platform/renditions/tests/TemporaryCacheHome.hpp"

using namespace keepsift;
using namespace keepsift::testing;

namespace {

size_t filesIn(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

} // namespace

using PngFileTest = TemporaryCacheHome;

TEST_F(PngFileTest, RewritingReplacesTheWholeFileAndLeavesNothingBeside) {
    const auto folder = root / "pngs";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(writePng(folder / "a.png", solid(64, 32, {0, 0, 255}), {{"Thumb::MTime", "1"}}));
    ASSERT_TRUE(writePng(folder / "a.png", solid(8, 4, {255, 0, 0}), {{"Thumb::MTime", "2"}}));
    auto contents = readPng(folder / "a.png");
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->bgr.size(), cv::Size(8, 4));
    EXPECT_EQ(contents->bgr.at<cv::Vec3b>(0, 0), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(contents->text.at("Thumb::MTime"), "2");
    EXPECT_EQ(filesIn(folder), 1u);
}

TEST_F(PngFileTest, UnwritableOrUnencodableIsAFailureNotAThrow) {
    EXPECT_FALSE(writePng(root / "absent" / "a.png", solid(8, 8, {0, 0, 0}), {}));
    EXPECT_FALSE(writePng(root / "grey.png", cv::Mat(8, 8, CV_8UC1, cv::Scalar(0)), {}));
    EXPECT_FALSE(std::filesystem::exists(root / "absent"));
    EXPECT_FALSE(std::filesystem::exists(root / "grey.png"));
}
