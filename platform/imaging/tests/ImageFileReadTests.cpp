#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

#include "ExifWriting.hpp"
#include "ReadCounting.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"
#include "platform/imaging/ImageFileRead.hpp"
#include "platform/imaging/ImageSource.hpp"

namespace keepsift {
namespace {

using testing::bytesReadSoFar;
using testing::fileOf;

struct Reading {
    ImageFileRead read;
    std::int64_t bytesRead = 0;
};

Reading readThrough(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const std::int64_t before = bytesReadSoFar();
    Reading reading{readImageFile(fd, static_cast<std::int64_t>(std::filesystem::file_size(path))),
                    0};
    reading.bytesRead = bytesReadSoFar() - before;
    ::close(fd);
    return reading;
}

std::vector<std::uint8_t> smallJpeg() {
    return testing::encodedJpeg(cv::Mat(8, 16, CV_8UC3, cv::Scalar(10, 90, 200)));
}

// A 1.9 GiB file named .jpg once took 1.96 GB of memory to be refused by the decoder.
TEST(ImageFileRead, NoImageWeKnowIsReadNoFurtherThanItsHead) {
    testing::TemporaryFolder folder;
    const auto junk = fileOf(folder.path() / "junk.jpg", std::vector<std::uint8_t>(100, 'x'),
                             (1LL << 31) - 100'000'000);
    const Reading reading = readThrough(junk);
    EXPECT_EQ(reading.read.bytes, std::nullopt);
    EXPECT_EQ(reading.read.error, EINVAL);
    EXPECT_LT(reading.bytesRead, 1 << 20);
}

TEST(ImageFileRead, AFileFarLargerThanItsPictureCanNeedIsNotRead) {
    testing::TemporaryFolder folder;
    for (const auto& [name, head] : {std::pair{"padded.jpg", smallJpeg()},
                                     std::pair{"padded.png", [] {
                                                   std::vector<std::uint8_t> png;
                                                   cv::imencode(".png", cv::Mat(8, 16, CV_8UC3),
                                                                png);
                                                   return png;
                                               }()}}) {
        const Reading reading = readThrough(fileOf(folder.path() / name, head, 300LL << 20));
        EXPECT_EQ(reading.read.error, EFBIG) << name;
        EXPECT_LT(reading.bytesRead, 1 << 20) << name;
    }
}

// Segments chained by their lengths for a quarter of a gigabyte, in a file that costs no disk.
TEST(ImageFileRead, AJpegsMetadataIsReadNoFurtherThanMetadataCanNeed) {
    testing::TemporaryFolder folder;
    const auto path = fileOf(folder.path() / "chained.jpg", {0xFF, 0xD8}, 2);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    const std::uint8_t header[] = {0xFF, 0xE1, 0xFF, 0xFF};
    for (std::int64_t segment = 0; segment < 4000; ++segment)
        ASSERT_EQ(::pwrite(fd, header, sizeof header, 2 + segment * 0x10001), 4);
    ASSERT_EQ(::pwrite(fd, "\xFF\xDA", 2, 2 + 4000 * 0x10001), 2);
    const auto head = readJpegMetadata(fd);
    ::close(fd);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->size(), 64U << 20);
}

// Metadata before the frame header may be far longer than the head looked at first.
TEST(ImageFileRead, APictureIsReadWholePastLongMetadata) {
    testing::TemporaryFolder folder;
    std::vector<std::uint8_t> jpeg = smallJpeg();
    std::vector<std::uint8_t> withMetadata(jpeg.begin(), jpeg.begin() + 2);
    for (int segment = 0; segment < 8; ++segment) {
        const std::uint8_t header[] = {0xFF, 0xE1, 0xFF, 0xFF};
        withMetadata.insert(withMetadata.end(), header, header + 4);
        withMetadata.insert(withMetadata.end(), 0xFFFF - 2, 'm');
    }
    withMetadata.insert(withMetadata.end(), jpeg.begin() + 2, jpeg.end());
    const auto path = fileOf(folder.path() / "long.jpg", withMetadata,
                             static_cast<std::int64_t>(withMetadata.size()));
    const Reading reading = readThrough(path);
    ASSERT_TRUE(reading.read.bytes);
    EXPECT_EQ(*reading.read.bytes, withMetadata);
    const auto source = ImageSource::fromFile(path.string());
    ASSERT_TRUE(source && source->properties());
    EXPECT_EQ(source->properties()->pixelWidth, 16);
}

} // namespace
} // namespace keepsift
