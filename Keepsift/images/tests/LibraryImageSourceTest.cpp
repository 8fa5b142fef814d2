#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <vector>

#include "Keepsift/images/LibraryImageSource.hpp"
#include "TemporaryLibrary.hpp"
#include "platform/renditions/PngFile.hpp"
#include "platform/renditions/ThumbnailStamp.hpp"

namespace keepsift::app {
namespace {

namespace fs = std::filesystem;

// A real folder library in a temporary home; answers are run on the test's thread, which
// stands in for the main actor.
class LibraryImageSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = std::make_unique<LibraryImageSource>(
            folder_.library,
            [this](std::function<void()> answer) {
                std::lock_guard lock(mutex_);
                posted_.push_back(std::move(answer));
            },
            LibraryImageSource::Options{2, 8u << 20});
        root_ = folder_.root;
    }

    void TearDown() override { source_.reset(); }

    void writePhoto(const std::string& name, int width, int height) {
        folder_.writeJpeg(name, width, height);
    }

    // Issues one request and runs posted answers until it is answered.
    std::shared_ptr<const Image> ask(const std::string& id, int side) {
        bool answered = false;
        std::shared_ptr<const Image> result;
        source_->thumbnail(id, {side, side}, [&](std::shared_ptr<const Image> image) {
            answered = true;
            result = std::move(image);
        });
        while (!answered) {
            std::vector<std::function<void()>> ready;
            {
                std::lock_guard lock(mutex_);
                ready.swap(posted_);
            }
            for (auto& answer : ready)
                answer();
            if (!answered) std::this_thread::yield();
        }
        return result;
    }

    testing::TemporaryLibrary folder_;
    fs::path root_;
    std::unique_ptr<LibraryImageSource> source_;
    std::mutex mutex_;
    std::vector<std::function<void()>> posted_;
};

TEST_F(LibraryImageSourceTest, AResidentPhotoIsDecodedFittedWithinTheRequestedSquare) {
    writePhoto("wide.jpg", 1600, 1200);
    auto image = ask("wide.jpg", 256);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 256);
    EXPECT_EQ(image->height, 192);
    EXPECT_EQ(image->rgba.size(), 256u * 192u * 4u);
    EXPECT_EQ(image->rgba[3], 255) << "opaque";
    EXPECT_EQ(source_->cache().count(), 1u);
    EXPECT_EQ(ask("wide.jpg", 256), image) << "the same size comes from memory";
}

TEST_F(LibraryImageSourceTest, MissingCorruptAndEmptyFilesAnswerNoPicture) {
    EXPECT_EQ(ask("never-there.jpg", 256), nullptr);
    std::ofstream(root_ / "empty.jpg").close();
    EXPECT_EQ(ask("empty.jpg", 256), nullptr);
    std::ofstream(root_ / "broken.jpg", std::ios::binary) << "\xff\xd8\xff\xe0 not really a jpeg";
    EXPECT_EQ(ask("broken.jpg", 256), nullptr);
    EXPECT_EQ(source_->cache().count(), 0u) << "failures are asked again next time";
}

TEST_F(LibraryImageSourceTest, APhotoDeletedAfterItsFirstPictureStillAnswersFromMemoryThenNothing) {
    writePhoto("gone.jpg", 640, 480);
    ASSERT_NE(ask("gone.jpg", 256), nullptr);
    fs::remove(root_ / "gone.jpg");
    EXPECT_NE(ask("gone.jpg", 256), nullptr);
    EXPECT_EQ(ask("gone.jpg", 512), nullptr);
}

// Its original is away (a size, no blocks) and only the desktop's small thumbnail is here:
// the picture is that thumbnail as it is, not blown up to the size asked.
TEST_F(LibraryImageSourceTest, AnEvictedPhotoShowsTheThumbnailAtItsOwnSize) {
    const auto evicted = root_ / "evicted.jpg";
    std::ofstream(evicted).close();
    fs::resize_file(evicted, 3 << 20);
    const auto stamp = *ThumbnailStamp::of(evicted);
    const auto thumbnails = folder_.base / "cache" / "thumbnails" / "x-large";
    fs::create_directories(thumbnails);
    ASSERT_TRUE(writePng(thumbnails / stamp.fileName(), cv::Mat(192, 256, CV_8UC3, cv::Scalar(9)),
                         stamp.text()));
    auto image = ask("evicted.jpg", 1024);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 256);
    EXPECT_EQ(image->height, 192);
}

TEST_F(LibraryImageSourceTest, ExtremeShapesAreFittedWithoutLosingARow) {
    writePhoto("panorama.jpg", 30000, 200);
    writePhoto("dot.jpg", 1, 1);
    auto panorama = ask("panorama.jpg", 1024);
    ASSERT_NE(panorama, nullptr);
    EXPECT_EQ(panorama->width, 1024);
    EXPECT_GE(panorama->height, 1);
    auto dot = ask("dot.jpg", 1024);
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(dot->width, 1);
    EXPECT_EQ(dot->height, 1);
}

} // namespace
} // namespace keepsift::app
