// Files of every format a photograph comes in, 1.9 GiB long with nothing but a head: they
// are refused from their heads, and real pictures of each format are still read whole.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <opencv2/imgcodecs.hpp>

#include "HeifWriting.hpp"
#include "LyingHeads.hpp"
#include "ReadCounting.hpp"
#include "TestPictures.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"
#include "platform/imaging/EmbeddedMetadata.hpp"
#include "platform/imaging/ImageFileRead.hpp"
#include "platform/imaging/ImageSource.hpp"

namespace keepsift {
namespace {

using testing::bytesReadSoFar;

constexpr std::int64_t hugeSize = (std::int64_t{19} << 30) / 10;

std::vector<std::uint8_t> encoded(const char* extension, const cv::Mat& picture) {
    std::vector<std::uint8_t> bytes;
    cv::imencode(extension, picture, bytes);
    return bytes;
}

// Each format twice: its bare head, and a real small picture with the rest of the file empty.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> lyingFiles() {
    const cv::Mat picture = testing::gradientPicture(64, 48);
    return {{"head.webp", testing::webpHead(hugeSize)},
            {"copy.webp", encoded(".webp", picture)},
            {"head.tif", testing::tiffHead(false)},
            {"sized.tif", testing::tiffHeadWithSize(false)},
            {"copy.tif", encoded(".tiff", picture)},
            {"head.heic", testing::heicHead()},
            {"copy.heic", testing::encodedHeif(64, 48, heif_compression_HEVC)},
            {"head.cr2", testing::tiffHead(true)},
            {"sized.cr2", testing::tiffHeadWithSize(true)}};
}

TEST(OutsizedFormat, AHugeFileWithAPhotographsHeadIsRefusedFromItsHead) {
    testing::TemporaryFolder folder;
    for (const auto& [name, head] : lyingFiles()) {
        const auto path = testing::fileOf(folder.path() / name, head, hugeSize);
        const std::int64_t before = bytesReadSoFar();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const ImageFileRead read = readImageFile(fd, hugeSize);
        ::close(fd);
        EXPECT_FALSE(read.bytes) << name;
        EXPECT_TRUE(read.error == EINVAL || read.error == EFBIG) << name << " " << read.error;
        EXPECT_FALSE(readEmbeddedMetadata(path.string())) << name;
        EXPECT_FALSE(ImageSource::fromFile(path.string())) << name;
        EXPECT_LT(bytesReadSoFar() - before, 1 << 20) << name;
    }
}

// exiv2 reads a sidecar whole, into memory.
TEST(OutsizedFormat, AHugeSidecarIsNotRead) {
    testing::TemporaryFolder folder;
    const std::string start = "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>";
    const auto path =
        testing::fileOf(folder.path() / "huge.xmp", {start.begin(), start.end()}, hugeSize);
    const std::int64_t before = bytesReadSoFar();
    EXPECT_FALSE(readEmbeddedMetadata(path.string()));
    EXPECT_LT(bytesReadSoFar() - before, 1 << 20);
}

// libtiff writes the directory after the picture: a TIFF's size lies at its end.
TEST(OutsizedFormat, RealPicturesOfEveryFormatAreReadWhole) {
    testing::TemporaryFolder folder;
    const cv::Mat large = testing::gradientPicture(3000, 2000);
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> pictures = {
        {"large.tif", encoded(".tiff", large)},
        {"large.webp", encoded(".webp", large)},
        {"small.png", encoded(".png", large(cv::Rect(0, 0, 64, 48)))}};
    if (heif_have_encoder_for_format(heif_compression_HEVC))
        pictures.emplace_back("small.heic", testing::encodedHeif(64, 48, heif_compression_HEVC));
    for (const auto& [name, bytes] : pictures) {
        const auto path =
            testing::fileOf(folder.path() / name, bytes, static_cast<std::int64_t>(bytes.size()));
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const ImageFileRead read = readImageFile(fd, static_cast<std::int64_t>(bytes.size()));
        ::close(fd);
        ASSERT_TRUE(read.bytes) << name << " " << read.error;
        EXPECT_EQ(*read.bytes, bytes) << name;
        const auto metadata = readEmbeddedMetadata(path.string());
        ASSERT_TRUE(metadata) << name;
        EXPECT_GT(metadata->properties.pixelWidth, 0) << name;
        const auto source = ImageSource::fromFile(path.string());
        ASSERT_TRUE(source && source->properties()) << name;
        EXPECT_TRUE(source->decode(2048)) << name;
    }
}

} // namespace
} // namespace keepsift
