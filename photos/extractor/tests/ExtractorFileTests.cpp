#include <cstdio>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift {
namespace {

class FileMeasurement : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
        picture = cv::Mat(480, 640, CV_8UC3);
        cv::randu(picture, 0, 255);
        cv::GaussianBlur(picture, picture, cv::Size(), 3.0);
    }

    std::optional<PhotoSignals> measure(const std::vector<std::uint8_t>& bytes,
                                        const std::string& name = "picture.jpg") {
        return extractor.signals(testing::fileReference(folder.write(name, bytes), name));
    }
    std::optional<PhotoSignals> measureWithExif(const std::map<std::string, std::string>& exif) {
        return measure(testing::withExif(testing::encodedJpeg(picture), exif));
    }

    cv::Mat picture;
    testing::ScratchFolder folder;
    LiveSignalExtractor extractor{testing::sharedContext(), nullptr};
};

TEST_F(FileMeasurement, FillsTheRecordFromTheFile) {
    auto bytes = testing::encodedJpeg(picture);
    AssetReference reference = testing::fileReference(folder.write("a.jpg", bytes), "a.jpg");
    reference.isFavourite = reference.isInUserAlbum = true;
    auto signals = extractor.signals(reference);
    ASSERT_TRUE(signals);
    EXPECT_EQ(signals->digest, "digest-a.jpg");
    EXPECT_EQ(signals->filename, "a.jpg");
    EXPECT_EQ(signals->pixelWidth, 640);
    EXPECT_EQ(signals->pixelHeight, 480);
    EXPECT_EQ(signals->fileSize, static_cast<std::int64_t>(bytes.size()));
    EXPECT_TRUE(signals->faces.empty());
    EXPECT_FALSE(signals->featurePrint().empty());
    EXPECT_GT(signals->sharpness, 0.f);
    EXPECT_TRUE(signals->isFavourite && signals->isInUserAlbum && !signals->isEdited);
    EXPECT_FALSE(signals->isUtility);
    // Without an EXIF date the file's own date stands in.
    EXPECT_FALSE(signals->hasCaptureMetadata);
    EXPECT_TRUE(signals->capturedAt);
}

TEST_F(FileMeasurement, AnExifDateIsTheCaptureDate) {
    auto signals = measureWithExif({{"Exif.Photo.DateTimeOriginal", "2021:07:04 18:30:05"}});
    ASSERT_TRUE(signals);
    EXPECT_TRUE(signals->hasCaptureMetadata);
    EXPECT_EQ(signals->capturedAt->iso8601(), "2021-07-04T18:30:05Z");
    auto misshapen = measureWithExif({{"Exif.Photo.DateTimeOriginal", "2021-07-04 18:30:05"}});
    ASSERT_TRUE(misshapen);
    EXPECT_FALSE(misshapen->hasCaptureMetadata);
    EXPECT_NE(misshapen->capturedAt, signals->capturedAt);
}

TEST_F(FileMeasurement, CameraMetadataIsAnyOfMakeModelOrLens) {
    EXPECT_TRUE(measureWithExif({{"Exif.Image.Make", "Canon"}})->hasCameraMetadata);
    EXPECT_TRUE(measureWithExif({{"Exif.Photo.LensModel", "RF 35mm"}})->hasCameraMetadata);
    EXPECT_FALSE(measureWithExif({{"Exif.Image.Software", "GIMP"}})->hasCameraMetadata);
}

// A sharing service or an export that strips the metadata leaves the pixels, and so the print,
// which lets the stripped file fold into its camera original as a copy.
TEST_F(FileMeasurement, StrippingTheMetadataLeavesThePrint) {
    const auto bare = testing::encodedJpeg(picture);
    auto camera =
        measure(testing::withExif(bare, {{"Exif.Image.Make", "Canon"},
                                         {"Exif.Image.Model", "EOS R6"},
                                         {"Exif.Photo.DateTimeOriginal", "2021:07:04 18:30:05"},
                                         {"Exif.Image.Orientation", "1"}}),
                "camera.jpg");
    auto stripped = measure(bare, "stripped.jpg");
    ASSERT_TRUE(camera && stripped);
    EXPECT_TRUE(camera->hasCameraMetadata);
    EXPECT_FALSE(stripped->hasCameraMetadata);
    EXPECT_EQ(camera->printDistance(*stripped), 0.0);
    // Stored sideways under the orientation flag, the pixels are turned upright before printing.
    cv::Mat sideways;
    cv::rotate(picture, sideways, cv::ROTATE_90_COUNTERCLOCKWISE);
    auto turned = measure(
        testing::withExif(testing::encodedJpeg(sideways), {{"Exif.Image.Orientation", "6"}}),
        "turned.jpg");
    ASSERT_TRUE(turned);
    std::printf("print distance, upright without metadata to sideways with the flag: %.4f\n",
                *turned->printDistance(*stripped));
    EXPECT_LE(*turned->printDistance(*stripped), 0.05);
}

TEST_F(FileMeasurement, ScreenshotsAreUtilityImages) {
    std::vector<std::uint8_t> png;
    cv::Mat screen(1080, 1920, CV_8UC3, cv::Scalar(240, 240, 240));
    cv::imencode(".png", screen, png);
    auto signals = measure(png, "desktop.png");
    ASSERT_TRUE(signals);
    EXPECT_TRUE(signals->isUtility);
    EXPECT_TRUE(measure(testing::encodedJpeg(picture), "Screenshot 2024-01-01.jpg")->isUtility);
}

TEST_F(FileMeasurement, BrokenFilesGiveNoSignals) {
    auto jpeg = testing::encodedJpeg(picture);
    std::vector<std::uint8_t> truncated(jpeg.begin(), jpeg.begin() + jpeg.size() / 3);
    EXPECT_FALSE(measure(truncated, "truncated.jpg"));
    EXPECT_FALSE(measure({}, "empty.jpg"));
    std::string text = "shopping list: milk, eggs\n";
    EXPECT_FALSE(measure({text.begin(), text.end()}, "notes.jpg"));
    EXPECT_FALSE(measure(testing::withHugeDimensions(jpeg), "huge.jpg"));
}

TEST_F(FileMeasurement, UnreadableAndMissingFilesGiveNoSignals) {
    auto missing = (folder.path() / "gone.jpg").string();
    EXPECT_FALSE(extractor.signals(testing::fileReference(missing, "gone.jpg")));
    std::filesystem::create_directory(folder.path() / "folder.jpg");
    auto directory = (folder.path() / "folder.jpg").string();
    EXPECT_FALSE(extractor.signals(testing::fileReference(directory, "folder.jpg")));
}

TEST_F(FileMeasurement, DerivativesAreOnlyForLibraryPhotographs) {
    auto path = folder.write("a.jpg", testing::encodedJpeg(picture));
    EXPECT_FALSE(extractor.derivativeSignals(testing::fileReference(path, "a.jpg")));
}

} // namespace
} // namespace keepsift
