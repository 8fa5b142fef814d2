#include <gtest/gtest.h>

#include <fcntl.h>
#include <opencv2/imgcodecs.hpp>
#include <unistd.h>

#include "photos/library/StorageSpike.hpp"
#include "platform/library/FolderPhotoLibrary.hpp"
#include "platform/renditions/CachedRenditionSource.hpp"
#include "platform/renditions/tests/TemporaryCacheHome.hpp"

using namespace keepsift;

namespace {

struct Yes : ConsentPrompt {
    bool askLibraryConsent(const std::string&) override { return true; }
};

// The diagnostic over the real folder library: three photographs evicted by a sync client
// with only the desktop's small thumbnails left, two held here at 1600 pixels.
class SpikeOverEvictedFolder : public keepsift::testing::TemporaryCacheHome {
protected:
    void SetUp() override {
        TemporaryCacheHome::SetUp();
        std::filesystem::create_directories(pictures());
        for (const char* name : {"local-1.jpg", "local-2.jpg"})
            ASSERT_TRUE(cv::imwrite((pictures() / name).string(),
                                    cv::Mat(1200, 1600, CV_8UC3, cv::Scalar(40, 90, 160))));
        for (const char* name : {"evicted-1.jpg", "evicted-2.jpg", "evicted-3.jpg"}) {
            evict(pictures() / name);
            writeThumbnail("x-large", pictures() / name, solid(256, 192, {0, 0, 200}));
        }
    }

    std::filesystem::path pictures() const { return root / "Pictures"; }

    // A size and no blocks, as a sync client leaves an evicted original.
    static void evict(const std::filesystem::path& path) {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 3 << 20), 0);
        ::close(fd);
    }
    std::unique_ptr<FolderPhotoLibrary> library() const {
        FolderLibraryOptions options;
        options.root = pictures();
        options.catalogueFile = root / "catalogue.sqlite";
        options.consentFile = root / "consent.json";
        options.homeTrash = root / "Trash";
        options.consentPrompt = std::make_shared<Yes>();
        options.renditions = std::make_shared<CachedRenditionSource>();
        auto port = std::make_unique<FolderPhotoLibrary>(std::move(options));
        port->requestAuthorization([](int) {});
        return port;
    }

    static bool has(const std::string& report, const std::string& line) {
        return report.find("\n" + line + "\n") != std::string::npos;
    }
};

} // namespace

TEST_F(SpikeOverEvictedFolder, ReportsTheSizesThatAreReallyOnDisk) {
    auto port = library();
    const auto report = StorageSpike::run(*port, StorageSpike::launchSampleSize);
    EXPECT_TRUE(has(report, "oldest    in iCloud 3/5"));
    EXPECT_TRUE(has(report, "M1  the file            0/3   PHAssetResource.requestData"));
    EXPECT_TRUE(has(report, "M5  full-quality @2048  0/3   requestImage .highQualityFormat"));
    EXPECT_TRUE(has(report, "M6  largest from disk   3/3   requestImage ladder, .fast, "
                            "degraded refused"));
    EXPECT_TRUE(has(report, "    longest edge        min 256  median 256  max 256"));
    EXPECT_TRUE(has(report, "    \u22651024px             0/3   (big enough to judge a face)"));
    EXPECT_TRUE(has(report, "oldest    evicted 3  pixels 3  min 256  median 256  max 256  "
                            "\u22651024px 0"));
    EXPECT_TRUE(has(report, "local assets       2"));
    EXPECT_TRUE(has(report, "longest edge       min 1600  median 1600  max 1600"));
    EXPECT_TRUE(has(report, "VERDICT            \u26a0\ufe0f PARTIAL \u2014 3/3 yielded pixels, "
                            "0/3 at \u22651024px."))
        << report;
    EXPECT_EQ(report.find("YES"), std::string::npos);
}
