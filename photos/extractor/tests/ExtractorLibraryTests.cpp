#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift {
namespace {

// A library that knows one photograph and reports what it was asked.
class ScriptedProvider : public ImageDataProvider {
public:
    std::optional<LibraryPhoto> photo;
    std::optional<LibraryImageData> data;
    std::optional<cv::Mat> rendition;
    std::vector<std::string> calls;

    std::optional<LibraryPhoto> fetchPhoto(const std::string& id) override {
        calls.push_back("fetch " + id);
        return photo && photo->localIdentifier == id ? photo : std::nullopt;
    }
    std::optional<LibraryImageData> imageData(const std::string& id) override {
        calls.push_back("data " + id);
        return photo && photo->localIdentifier == id ? data : std::nullopt;
    }
    std::optional<cv::Mat> offlineImage(const LibraryPhoto& asked, std::int64_t target) override {
        calls.push_back("rendition " + asked.localIdentifier + " " + std::to_string(target));
        return rendition;
    }
};

class LibraryMeasurement : public ::testing::Test {
protected:
    void SetUp() override {
        cv::Mat picture(600, 800, CV_8UC3);
        cv::randu(picture, 0, 255);
        cv::GaussianBlur(picture, picture, cv::Size(), 3.0);
        library->photo = LibraryPhoto{
            "Trips/IMG_1.jpg", Date{700000000}, 4032, 3024, {0, std::nullopt, 2'345'678, 999}};
        library->data = LibraryImageData{testing::encodedJpeg(picture), Date{700000100}};
        cv::Mat small;
        cv::resize(picture, small, cv::Size(512, 384), 0, 0, cv::INTER_AREA);
        library->rendition = small;
        reference.digest = "Trips/IMG_1.jpg";
        reference.filename = "IMG_1.jpg";
        reference.isEdited = true;
    }

    std::shared_ptr<ScriptedProvider> library = std::make_shared<ScriptedProvider>();
    LiveSignalExtractor extractor{testing::sharedContext(), library};
    AssetReference reference;
};

TEST_F(LibraryMeasurement, FullMeasurementReadsTheImageData) {
    auto signals = extractor.signals(reference);
    ASSERT_TRUE(signals);
    EXPECT_EQ(signals->digest, "Trips/IMG_1.jpg");
    EXPECT_EQ(signals->fileSize, static_cast<std::int64_t>(library->data->data.size()));
    EXPECT_EQ(signals->capturedAt, Date{700000100});
    EXPECT_EQ(signals->pixelWidth, 800);
    EXPECT_FALSE(signals->printLongEdge);
    EXPECT_TRUE(signals->isEdited);
}

TEST_F(LibraryMeasurement, NoDataOrNoImageGivesNoSignals) {
    library->data->data = {'n', 'o', 'p', 'e'};
    EXPECT_FALSE(extractor.signals(reference));
    library->data.reset();
    EXPECT_FALSE(extractor.signals(reference));
    reference.digest = "unknown";
    EXPECT_FALSE(extractor.signals(reference));
}

TEST_F(LibraryMeasurement, DerivativeMeasuresTheRendition) {
    auto signals = extractor.derivativeSignals(reference);
    ASSERT_TRUE(signals);
    EXPECT_EQ(signals->printLongEdge, 512);
    EXPECT_EQ(signals->pixelWidth, 4032);
    EXPECT_EQ(signals->pixelHeight, 3024);
    EXPECT_EQ(signals->capturedAt, Date{700000000});
    // The first positive resource size wins.
    EXPECT_EQ(signals->fileSize, 2'345'678);
    EXPECT_FALSE(signals->hasCameraMetadata || signals->hasCaptureMetadata);
    EXPECT_FALSE(signals->featurePrint().empty());
    EXPECT_EQ(library->calls.back(), "rendition Trips/IMG_1.jpg 512");
}

TEST_F(LibraryMeasurement, DerivativeWithoutSizesOrRenditions) {
    library->photo->resourceFileSizes = {0, std::nullopt};
    EXPECT_EQ(extractor.derivativeSignals(reference)->fileSize, 0);
    library->rendition.reset();
    EXPECT_FALSE(extractor.derivativeSignals(reference));
    reference.digest = "unknown";
    EXPECT_FALSE(extractor.derivativeSignals(reference));
}

TEST(LibraryWithoutPort, LibraryPhotographsGiveNoSignals) {
    LiveSignalExtractor extractor{testing::sharedContext(), nullptr};
    AssetReference reference{"id", "IMG_1.jpg", std::nullopt, false, false, false};
    EXPECT_FALSE(extractor.signals(reference));
    EXPECT_FALSE(extractor.derivativeSignals(reference));
}

} // namespace
} // namespace keepsift
