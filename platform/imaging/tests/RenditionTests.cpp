#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/imaging/Rendition.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift {
namespace {

class Renditions : public ::testing::Test {
protected:
    std::string write(const std::vector<std::uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("keepsift-rendition-" + std::to_string(::getpid()) + ".jpg");
};

TEST_F(Renditions, AreUprightWithTheTargetOnTheLongSide) {
    cv::Mat stored(1200, 1600, CV_8UC3, cv::Scalar(40, 80, 120));
    auto bytes = testing::withExif(testing::encodedJpeg(stored), {{"Exif.Image.Orientation", "6"}});
    auto rendition = renditionOfFile(write(bytes), 512);
    ASSERT_TRUE(rendition);
    EXPECT_EQ(rendition->size(), cv::Size(384, 512));
}

TEST_F(Renditions, SmallOriginalsAreScaledUp) {
    auto rendition = renditionOfFile(
        write(testing::encodedJpeg(cv::Mat(100, 200, CV_8UC3, cv::Scalar(9)))), 512);
    ASSERT_TRUE(rendition);
    EXPECT_EQ(rendition->size(), cv::Size(512, 256));
}

TEST_F(Renditions, BrokenFilesAndTargetsGiveNone) {
    std::string text = "not a picture";
    EXPECT_FALSE(renditionOfFile(write({text.begin(), text.end()}), 512));
    EXPECT_FALSE(renditionOfFile(write(testing::encodedJpeg(cv::Mat(10, 10, CV_8UC3))), 0));
    EXPECT_FALSE(renditionOfFile("/nonexistent/picture.jpg", 512));
}

} // namespace
} // namespace keepsift
