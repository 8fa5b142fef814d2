#include "FolderLibraryFixture.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/imaging/ImageSource.hpp"
#include "platform/imaging/tests/LyingHeads.hpp"
#include "platform/imaging/tests/ReadCounting.hpp"

namespace keepsift::foldertest {
namespace {

class OutsizedFileTest : public FolderLibraryTest {};

// 2400-01-01T00:00:00Z: seconds times 1e9 no longer fit in 64 bits.
TEST_F(OutsizedFileTest, AFarFutureModificationTimeIsClampedNotWrapped) {
    writeJpeg(lib("future.jpg"));
    timespec times[2] = {{0, UTIME_OMIT}, {13569465600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, lib("future.jpg").c_str(), times, 0), 0);
    auto assets = makeLibrary()->fetchImageAssets();
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_GT(assets[0].creationDate->unixSeconds(), 7e9); // after the year 2190
    EXPECT_GT(assets[0].modificationDate->unixSeconds(), 7e9);
}

// Above the image reader's cap, far larger than its picture can need, or no picture at all
// (a 1.9 GiB junk file once took 1.96 GB of memory): never read past its head.
TEST_F(OutsizedFileTest, APhotographLargerThanItsPictureCanNeedIsNeverRead) {
    writeJpeg(lib("huge.jpg"));
    writeJpeg(lib("padded.jpg"));
    writeText(lib("junk.jpg"), "not a picture");
    for (const auto& [name, size] : {std::pair{"huge.jpg", ImageSource::maximumFileBytes + 1},
                                     std::pair{"padded.jpg", std::int64_t{500} << 20},
                                     std::pair{"junk.jpg", (std::int64_t{19} << 30) / 10}}) {
        int fd = ::open(lib(name).c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    auto library = makeLibrary();
    PortImageRequestOptions options;
    options.networkAccessAllowed = true;
    for (const auto& [name, error] : {std::pair{"huge.jpg", EFBIG}, std::pair{"padded.jpg", EFBIG},
                                      std::pair{"junk.jpg", EINVAL}}) {
        auto assets = library->fetchAssetsWithLocalIdentifiers({name});
        ASSERT_EQ(assets.size(), 1u) << name;
        bool answered = false;
        library->requestImageData(assets[0], options,
                                  [&](auto data, auto, int, PortImageInfo info) {
                                      answered = true;
                                      EXPECT_FALSE(data) << name;
                                      ASSERT_TRUE(info.error) << name;
                                      EXPECT_EQ(info.error->code, error) << name;
                                  });
        EXPECT_TRUE(answered) << name;
    }
}

// A JPEG's start and then no marker, 1.9 GiB long: its metadata was looked for byte by byte.
TEST_F(OutsizedFileTest, AHugeFileThatOnlyLooksLikeAJpegIsListedFromItsHead) {
    testing::fileOf(lib("fake.jpg"), {0xFF, 0xD8, 0xFF}, (std::int64_t{19} << 30) / 10);
    timespec times[2] = {{0, UTIME_OMIT}, {1'600'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, lib("fake.jpg").c_str(), times, 0), 0);
    const std::int64_t before = testing::bytesReadSoFar();
    auto assets = makeLibrary()->fetchImageAssets();
    EXPECT_LT(testing::bytesReadSoFar() - before, 8 << 20);
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0].creationDate->unixSeconds(), 1'600'000'000);
    EXPECT_EQ(assets[0].pixelWidth, 0);
}

// Heads of other formats, 1.9 GiB long: a WebP held the measuring of real photographs for
// minutes, a TIFF, HEIC or CR2 took 2 GB of memory each.
TEST_F(OutsizedFileTest, HugeFilesWithTheHeadsOfOtherFormatsAreListedAndRefusedFromTheirHeads) {
    const std::int64_t size = (std::int64_t{19} << 30) / 10;
    testing::fileOf(lib("fake.webp"), testing::webpHead(size), size);
    testing::fileOf(lib("fake.tif"), testing::tiffHeadWithSize(false), size);
    testing::fileOf(lib("fake.heic"), testing::heicHead(), size);
    testing::fileOf(lib("fake.cr2"), testing::tiffHead(true), size);
    writeJpeg(lib("real.jpg"));
    const std::int64_t before = testing::bytesReadSoFar();
    auto library = makeLibrary();
    EXPECT_EQ(library->fetchImageAssets().size(), 5u);
    PortImageRequestOptions options;
    options.networkAccessAllowed = true;
    for (const char* name : {"fake.webp", "fake.tif", "fake.heic", "fake.cr2", "real.jpg"}) {
        auto assets = library->fetchAssetsWithLocalIdentifiers({name});
        ASSERT_EQ(assets.size(), 1u) << name;
        std::optional<bool> read;
        library->requestImageData(assets[0], options, [&](auto data, auto, int, PortImageInfo) {
            read = data.has_value();
        });
        EXPECT_EQ(read, std::string(name) == "real.jpg") << name;
    }
    EXPECT_LT(testing::bytesReadSoFar() - before, 8 << 20);
}

} // namespace
} // namespace keepsift::foldertest
