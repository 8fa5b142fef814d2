#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files/tests/TemporaryFolder.hpp"
#include "platform/imaging/EmbeddedMetadata.hpp"
#include "platform/imaging/ImageFileRead.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"
#include "platform/imaging/tests/ReadCounting.hpp"

namespace keepsift {
namespace {

constexpr const char* darktableSidecar =
    R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF
 xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about=""
 xmlns:xmp="http://ns.adobe.com/xap/1.0/" xmlns:darktable="http://darktable.sf.net/"
 xmp:Rating="4"><darktable:history><rdf:Seq><rdf:li
 darktable:operation="exposure"/></rdf:Seq></darktable:history></rdf:Description></rdf:RDF></x:xmpmeta>)";

constexpr const char* unratedSidecar =
    R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF
 xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about=""
 xmlns:xmp="http://ns.adobe.com/xap/1.0/" xmp:Rating="several"/></rdf:RDF></x:xmpmeta>)";

class EmbeddedMetadataTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& file : written_)
            std::filesystem::remove(file);
    }
    std::string write(const std::string& name, std::span<const std::uint8_t> bytes) {
        auto file = std::filesystem::temp_directory_path() /
                    ("keepsift-metadata-" + std::to_string(::getpid()) + "-" + name);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        written_.push_back(file);
        return file.string();
    }
    std::string write(const std::string& name, std::string_view text) {
        return write(name, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    }
    static std::vector<std::uint8_t> cameraJpeg(const std::string& orientation) {
        return testing::withExif(
            testing::encodedJpeg(cv::Mat(48, 64, CV_8UC3, cv::Scalar::all(90))),
            {{"Exif.Photo.DateTimeOriginal", "2021:07:04 18:30:05"},
             {"Exif.Image.Make", "Canon"},
             {"Exif.Image.Model", "EOS R6"},
             {"Exif.Photo.LensModel", "RF 35mm"},
             {"Exif.Image.Software", "Firmware 1.8"},
             {"Exif.Image.Orientation", orientation}});
    }

private:
    std::vector<std::filesystem::path> written_;
};

TEST_F(EmbeddedMetadataTest, PathAndBytesReadTheSameHeader) {
    auto bytes = cameraJpeg("6");
    auto fromBytes = readEmbeddedMetadata(bytes);
    ASSERT_TRUE(fromBytes);
    EXPECT_EQ(readEmbeddedMetadata(write("camera.jpg", bytes)), fromBytes);
    EXPECT_EQ(fromBytes->properties.pixelWidth, 64);
    EXPECT_EQ(fromBytes->properties.pixelHeight, 48);
    EXPECT_EQ(fromBytes->properties.orientation, 6u);
    EXPECT_EQ(fromBytes->properties.dateTimeOriginal, "2021:07:04 18:30:05");
    EXPECT_EQ(fromBytes->properties.make, "Canon");
    EXPECT_EQ(fromBytes->properties.model, "EOS R6");
    EXPECT_EQ(fromBytes->properties.lensModel, "RF 35mm");
    EXPECT_EQ(fromBytes->properties.software, "Firmware 1.8");
    EXPECT_FALSE(fromBytes->rating);
    EXPECT_FALSE(fromBytes->editHistory);
}

TEST_F(EmbeddedMetadataTest, OrientationOutsideOneToEightIsNone) {
    auto metadata = readEmbeddedMetadata(cameraJpeg("9"));
    ASSERT_TRUE(metadata);
    EXPECT_FALSE(metadata->properties.orientation);
    EXPECT_EQ(metadata->properties.make, "Canon");
}

TEST_F(EmbeddedMetadataTest, SidecarsGiveRatingAndEditHistory) {
    auto developed = readEmbeddedMetadata(write("developed.xmp", darktableSidecar));
    ASSERT_TRUE(developed);
    EXPECT_EQ(developed->rating, 4);
    EXPECT_TRUE(developed->editHistory);
    EXPECT_FALSE(developed->properties.dateTimeOriginal);

    auto unrated = readEmbeddedMetadata(write("unrated.xmp", unratedSidecar));
    ASSERT_TRUE(unrated);
    EXPECT_FALSE(unrated->rating);
    EXPECT_FALSE(unrated->editHistory);
}

TEST_F(EmbeddedMetadataTest, UnreadableInputGivesNothing) {
    EXPECT_FALSE(readEmbeddedMetadata(std::span<const std::uint8_t>{}));
    const std::vector<std::uint8_t> noise{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(readEmbeddedMetadata(noise));
    EXPECT_FALSE(readEmbeddedMetadata(write("noise.jpg", noise)));
    EXPECT_FALSE(readEmbeddedMetadata(std::string("/nonexistent/keepsift/photo.jpg")));
    auto cut = cameraJpeg("1");
    cut.resize(24);
    EXPECT_FALSE(readEmbeddedMetadata(cut));
}

// A 1.9 GiB file with a JPEG's start and no marker after it once held a listing for 20 s.
TEST_F(EmbeddedMetadataTest, AJpegIsReadNoFurtherThanItsScanOrItsFirstDamage) {
    testing::TemporaryFolder folder;
    const auto junk = testing::fileOf(folder.path() / "junk.jpg", {0xFF, 0xD8}, 2LL << 30);
    const auto padded = testing::fileOf(folder.path() / "padded.jpg", cameraJpeg("1"), 300LL << 20);
    for (const auto& file : {junk, padded}) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const auto head = readJpegMetadata(fd);
        ::close(fd);
        ASSERT_TRUE(head) << file;
        EXPECT_LT(head->size(), 64U << 10) << file;
    }
    const std::int64_t before = testing::bytesReadSoFar();
    EXPECT_FALSE(readEmbeddedMetadata(junk.string()));
    const auto camera = readEmbeddedMetadata(padded.string());
    EXPECT_LT(testing::bytesReadSoFar() - before, 1 << 20);
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera->properties.dateTimeOriginal, "2021:07:04 18:30:05");
    EXPECT_EQ(camera->properties.pixelWidth, 64);
    // A file that is not a regular file is never opened for its metadata.
    EXPECT_FALSE(readEmbeddedMetadata(folder.path().string()));
}

// Listing and measuring read at once; XMP parsing in particular must not interleave.
TEST_F(EmbeddedMetadataTest, ThreadsReadingAtOnceAllSeeTheSame) {
    const auto jpeg = cameraJpeg("3");
    const auto sidecar = write("shared.xmp", darktableSidecar);
    const auto expectedJpeg = readEmbeddedMetadata(jpeg);
    const auto expectedSidecar = readEmbeddedMetadata(sidecar);
    std::atomic<int> mismatches = 0;
    {
        std::vector<std::jthread> readers;
        for (int thread = 0; thread < 8; ++thread)
            readers.emplace_back([&] {
                for (int round = 0; round < 40; ++round) {
                    if (readEmbeddedMetadata(jpeg) != expectedJpeg) ++mismatches;
                    if (readEmbeddedMetadata(sidecar) != expectedSidecar) ++mismatches;
                }
            });
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(expectedSidecar && expectedSidecar->rating == 4);
}

} // namespace
} // namespace keepsift
