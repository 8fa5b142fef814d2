#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "photos/services/tests/LiveHome.hpp"
#include "platform/renditions/PngFile.hpp"
#include "platform/renditions/ThumbnailStamp.hpp"

namespace keepsift {
namespace {

// Whether anyone opened or read a file while it was watched.
class OpenWatch {
public:
    explicit OpenWatch(const std::filesystem::path& path)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        EXPECT_GE(::inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_ACCESS), 0);
    }
    ~OpenWatch() { ::close(fd_); }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool sawOpen() const {
        char events[4096];
        return ::read(fd_, events, sizeof events) > 0;
    }

private:
    int fd_;
};

class ExtractorThroughPort : public testing::LiveHome {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        photo = writeJpeg("Trips/IMG_1.jpg", scene(3), "2024:05:01 10:00:00");
    }

    // Asks for consent first, as the application does.
    LibraryAsset asset(const std::string& id) {
        if (!services.library) startServices();
        EXPECT_EQ(services.library->requestAuthorization(), LibraryAuthorization::authorized);
        for (const auto& asset : services.library->fetchAssets())
            if (asset.id == id) return asset;
        ADD_FAILURE() << id << " not listed";
        return {};
    }

    // A file with a size and no allocated blocks, as a sync client leaves an evicted one.
    std::filesystem::path placeholder(const std::string& name) {
        auto path = pictures / name;
        int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, placeholderSize), 0);
        ::close(fd);
        return path;
    }

    void writeThumbnail(const std::filesystem::path& original, cv::Size size = {1024, 768}) {
        const auto stamp = *ThumbnailStamp::of(original);
        const auto folder = root / "XDG_CACHE_HOME" / "thumbnails" / "x-large";
        std::filesystem::create_directories(folder);
        cv::Mat large;
        cv::resize(scene(5), large, size, 0, 0, cv::INTER_AREA);
        ASSERT_TRUE(writePng(folder / stamp.fileName(), large, stamp.text()));
    }

    static constexpr off_t placeholderSize = 300'000;
    std::filesystem::path photo;
};

TEST_F(ExtractorThroughPort, MeasuresALibraryPhotographByItsIdentifier) {
    const auto listed = asset("Trips/IMG_1.jpg");
    const auto reference = listed.reference();
    ASSERT_FALSE(reference.fileURL);
    const auto signals = services.extractor->signals(reference);
    ASSERT_TRUE(signals);
    EXPECT_EQ(signals->digest, "Trips/IMG_1.jpg");
    EXPECT_EQ(signals->featurePrintRevision, std::string(PhotoSignals::printRevision));
    EXPECT_FALSE(signals->featurePrint().empty());
    EXPECT_EQ(signals->pixelWidth, 640);
    EXPECT_EQ(signals->pixelHeight, 480);
    EXPECT_EQ(signals->fileSize, static_cast<std::int64_t>(std::filesystem::file_size(photo)));
    EXPECT_EQ(signals->capturedAt, listed.createdAt);
    EXPECT_FALSE(signals->printLongEdge);
}

TEST_F(ExtractorThroughPort, DerivativeOfAResidentPhotographIsAReducedRendition) {
    const auto reference = asset("Trips/IMG_1.jpg").reference();
    const auto derivative = services.extractor->derivativeSignals(reference);
    ASSERT_TRUE(derivative);
    EXPECT_EQ(derivative->printLongEdge, 512);
    EXPECT_EQ(derivative->digest, "Trips/IMG_1.jpg");
    EXPECT_EQ(derivative->pixelWidth, 640);
    EXPECT_EQ(derivative->featurePrintRevision, std::string(PhotoSignals::printRevision));
}

TEST_F(ExtractorThroughPort, PlaceholderIsNeverOpenedAndHasNoDerivativeOfItsOwn) {
    const auto path = placeholder("IMG_9.jpg");
    OpenWatch watch(path);
    const auto reference = asset("IMG_9.jpg").reference();
    EXPECT_FALSE(services.extractor->derivativeSignals(reference));
    EXPECT_FALSE(watch.sawOpen());
    std::ifstream(path).get();
    EXPECT_TRUE(watch.sawOpen());
}

TEST_F(ExtractorThroughPort, PlaceholderIsMeasuredFromTheDesktopThumbnail) {
    const auto path = placeholder("IMG_9.jpg");
    writeThumbnail(path);
    OpenWatch watch(path);
    const auto reference = asset("IMG_9.jpg").reference();
    const auto derivative = services.extractor->derivativeSignals(reference);
    ASSERT_TRUE(derivative);
    EXPECT_EQ(derivative->printLongEdge, 512);
    EXPECT_EQ(derivative->digest, "IMG_9.jpg");
    EXPECT_EQ(derivative->fileSize, placeholderSize);
    EXPECT_FALSE(derivative->featurePrint().empty());
    EXPECT_FALSE(watch.sawOpen());
}

// A thumbnail smaller than a rendition is not blown up to measure from: the photograph waits
// for its original.
TEST_F(ExtractorThroughPort, PlaceholderWithOnlyASmallThumbnailHasNoDerivative) {
    const auto path = placeholder("IMG_9.jpg");
    writeThumbnail(path, {256, 192});
    const auto reference = asset("IMG_9.jpg").reference();
    EXPECT_FALSE(services.extractor->derivativeSignals(reference));
}

} // namespace
} // namespace keepsift
