#include "FolderLibraryFixture.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/imaging/ImageSource.hpp"

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

TEST_F(OutsizedFileTest, APhotographLargerThanTheImageReaderTakesIsNeverRead) {
    writeJpeg(lib("huge.jpg"));
    int fd = ::open(lib("huge.jpg").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, ImageSource::maximumFileBytes + 1), 0);
    ::close(fd);
    auto library = makeLibrary();
    auto assets = library->fetchAssetsWithLocalIdentifiers({"huge.jpg"});
    ASSERT_EQ(assets.size(), 1u);
    PortImageRequestOptions options;
    options.networkAccessAllowed = true;
    bool answered = false;
    library->requestImageData(assets[0], options, [&](auto data, auto, int, PortImageInfo info) {
        answered = true;
        EXPECT_FALSE(data);
        ASSERT_TRUE(info.error);
        EXPECT_EQ(info.error->code, EFBIG);
    });
    EXPECT_TRUE(answered);
}

} // namespace
} // namespace keepsift::foldertest
