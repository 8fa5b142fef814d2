#include <cstdio>
#include <cstring>
#include <fstream>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/imaging/ImageSource.hpp"
#include "platform/imaging/Orientation.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"
#include "platform/imaging/tests/TestPictures.hpp"

namespace keepsift {
namespace {

using testing::gradientPicture;

TEST(ImageFormat, IsToldFromTheFirstBytes) {
    auto jpeg = testing::encodedJpeg(gradientPicture(16, 16));
    EXPECT_EQ(sniffImageFormat(jpeg), ImageFormat::jpeg);
    std::vector<std::uint8_t> png;
    cv::imencode(".png", gradientPicture(16, 16), png);
    EXPECT_EQ(sniffImageFormat(png), ImageFormat::png);
    std::string heic = std::string("\0\0\0\x18", 4) + "ftypheic";
    EXPECT_EQ(sniffImageFormat({reinterpret_cast<const std::uint8_t*>(heic.data()), heic.size()}),
              ImageFormat::heif);
    std::string text = "hello, this is not an image";
    EXPECT_EQ(sniffImageFormat({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}),
              ImageFormat::unknown);
    EXPECT_EQ(sniffImageFormat({}), ImageFormat::unknown);
}

TEST(ImageSource, JpegDecodesToTheSmallestScaleThatReachesTheTarget) {
    auto source = ImageSource::fromData(testing::encodedJpeg(gradientPicture(1600, 1200)));
    ASSERT_TRUE(source);
    ASSERT_TRUE(source->properties());
    EXPECT_EQ(source->properties()->pixelWidth, 1600);
    EXPECT_EQ(source->properties()->pixelHeight, 1200);
    auto reduced = source->decode(500);
    ASSERT_TRUE(reduced);
    // 3/8 gives 600 x 450; 1/4 (400) would fall short.
    EXPECT_EQ(reduced->cols, 600);
    EXPECT_EQ(reduced->rows, 450);
    auto full = source->decode(5000);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->cols, 1600);
}

TEST(ImageSource, ReadsTheExifFields) {
    auto bytes = testing::withExif(testing::encodedJpeg(gradientPicture(64, 48)),
                                   {{"Exif.Photo.DateTimeOriginal", "2021:07:04 18:30:05"},
                                    {"Exif.Image.Make", "Canon"},
                                    {"Exif.Image.Model", "EOS R6"},
                                    {"Exif.Photo.LensModel", "RF 35mm"},
                                    {"Exif.Image.Orientation", "6"}});
    auto source = ImageSource::fromData(bytes);
    ASSERT_TRUE(source && source->properties());
    const auto& properties = *source->properties();
    EXPECT_EQ(properties.dateTimeOriginal, "2021:07:04 18:30:05");
    EXPECT_EQ(properties.make, "Canon");
    EXPECT_EQ(properties.model, "EOS R6");
    EXPECT_EQ(properties.lensModel, "RF 35mm");
    EXPECT_EQ(properties.orientation, 6u);
    EXPECT_EQ(properties.pixelWidth, 64);
}

TEST(ImageSource, PngKeepsItsSizeWithoutMetadata) {
    std::vector<std::uint8_t> png;
    cv::imencode(".png", gradientPicture(40, 30), png);
    auto source = ImageSource::fromData(png);
    ASSERT_TRUE(source && source->properties());
    EXPECT_EQ(source->properties()->pixelWidth, 40);
    EXPECT_FALSE(source->properties()->orientation);
    auto decoded = source->decode(2048);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), cv::Size(40, 30));
}

class BrokenImages : public ::testing::Test {
protected:
    std::vector<std::uint8_t> jpeg = testing::encodedJpeg(gradientPicture(640, 480));
};

TEST_F(BrokenImages, ATruncatedJpegDoesNotDecode) {
    jpeg.resize(jpeg.size() / 2);
    auto source = ImageSource::fromData(jpeg);
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->decode(2048));
}

TEST_F(BrokenImages, StrayBytesBeforeTheEndMarkerStillDecode) {
    // Cameras leave such bytes; libjpeg skips them with a warning.
    jpeg.insert(jpeg.end() - 2, {0x12, 0x34, 0x56});
    auto source = ImageSource::fromData(jpeg);
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->decode(2048));
}

TEST_F(BrokenImages, AHugeDimensionHeaderIsRefusedBeforeDecoding) {
    auto source = ImageSource::fromData(testing::withHugeDimensions(jpeg));
    if (source) {
        EXPECT_FALSE(source->decode(2048));
    }
}

TEST_F(BrokenImages, EmptyTextAndMissingFilesAreNoImage) {
    EXPECT_FALSE(ImageSource::fromData({}));
    std::string text = "name,amount\nrent,900\n";
    EXPECT_FALSE(ImageSource::fromData({text.begin(), text.end()}));
    EXPECT_FALSE(ImageSource::fromFile("/nonexistent/folder/picture.jpg"));
    EXPECT_FALSE(ImageSource::fromFile("/tmp"));
}

TEST(Orientation, TurnsStoredPixelsUpright) {
    cv::Mat stored = gradientPicture(4, 2);
    EXPECT_EQ(upright(stored, 1).size(), cv::Size(4, 2));
    cv::Mat turned = upright(stored, 6);
    EXPECT_EQ(turned.size(), cv::Size(2, 4));
    // Orientation 6 means the top-left stored pixel belongs at the top-right.
    EXPECT_EQ(turned.at<cv::Vec3b>(0, 1), stored.at<cv::Vec3b>(0, 0));
    EXPECT_EQ(upright(stored, 3).at<cv::Vec3b>(0, 0), stored.at<cv::Vec3b>(1, 3));
    EXPECT_EQ(upright(stored, 9).size(), cv::Size(4, 2));
}

// Where each upright pixel lies in the stored picture, as the EXIF orientation defines it.
cv::Point storedAt(int orientation, int x, int y, cv::Size stored) {
    const int right = stored.width - 1, bottom = stored.height - 1;
    switch (orientation) {
    case 2:
        return {right - x, y};
    case 3:
        return {right - x, bottom - y};
    case 4:
        return {x, bottom - y};
    case 5:
        return {y, x};
    case 6:
        return {y, bottom - x};
    case 7:
        return {right - y, bottom - x};
    case 8:
        return {right - y, x};
    default:
        return {x, y};
    }
}

TEST(Orientation, MovesEveryPixelWhereItsOrientationSays) {
    cv::RNG random(4);
    for (int type : {CV_8UC3, CV_8UC1}) {
        cv::Mat stored(23, 37, type);
        random.fill(stored, cv::RNG::UNIFORM, 0, 256);
        for (std::uint32_t orientation = 1; orientation <= 8; ++orientation) {
            const cv::Mat turned = upright(stored, orientation);
            const bool across = orientation >= 5;
            ASSERT_EQ(turned.size(), across ? cv::Size(23, 37) : cv::Size(37, 23));
            ASSERT_EQ(turned.type(), type);
            int misplaced = 0;
            for (int y = 0; y < turned.rows; ++y)
                for (int x = 0; x < turned.cols; ++x) {
                    const cv::Point from =
                        storedAt(static_cast<int>(orientation), x, y, stored.size());
                    misplaced += std::memcmp(turned.ptr(y, x), stored.ptr(from.y, from.x),
                                             stored.elemSize()) != 0;
                }
            EXPECT_EQ(misplaced, 0) << "orientation " << orientation << " type " << type;
        }
    }
}

TEST(FitWithin, ShrinksOnlyLargerImages) {
    EXPECT_EQ(fitWithin(gradientPicture(400, 300), 200).size(), cv::Size(200, 150));
    EXPECT_EQ(fitWithin(gradientPicture(100, 50), 200).size(), cv::Size(100, 50));
}

} // namespace
} // namespace keepsift
