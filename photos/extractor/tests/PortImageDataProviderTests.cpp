#include <thread>

#include <gtest/gtest.h>

#include "photos/extractor/PortImageDataProvider.hpp"

namespace keepsift {
namespace {

// A photo-library service with one photograph whose answers the test scripts.
class ScriptedPort : public PhotoLibraryPort {
public:
    PortAsset photo{"Trips/IMG_1.jpg",
                    PortAsset::mediaTypeImage,
                    "IMG_1.jpg",
                    Date{700000000},
                    std::nullopt,
                    4032,
                    3024,
                    false,
                    false,
                    {{PortResourceType::photo, "IMG_1.jpg", 0},
                     {PortResourceType::alternatePhoto, "IMG_1.CR2", 2'345'678}}};
    std::function<void(PortImageDataHandler)> answerData;
    std::function<void(PortImageHandler)> answerImage;
    std::vector<PortImageRequestOptions> asked;

    std::vector<PortAsset>
    fetchAssetsWithLocalIdentifiers(const std::vector<std::string>& identifiers) override {
        if (identifiers.size() == 1 && identifiers[0] == photo.localIdentifier) return {photo};
        return {};
    }
    std::vector<PortAssetResource> assetResources(const PortAsset& asset) override {
        return asset.resources;
    }
    void requestImageData(const PortAsset&, const PortImageRequestOptions& options,
                          PortImageDataHandler handler) override {
        asked.push_back(options);
        answerData(std::move(handler));
    }
    void requestImage(const PortAsset&, std::int64_t, const PortImageRequestOptions& options,
                      PortImageHandler handler) override {
        asked.push_back(options);
        answerImage(std::move(handler));
    }

    int authorizationStatus() override { return port_authorization::authorized; }
    void requestAuthorization(std::function<void(int)>) override {}
    std::vector<PortAsset> fetchImageAssets() override { return {photo}; }
    std::vector<PortAssetCollection> fetchRegularAlbumsTitled(const std::string&) override {
        return {};
    }
    std::vector<PortAssetCollection> fetchAllAlbums() override { return {}; }
    std::vector<std::string> memberIdentifiers(const PortAssetCollection&) override { return {}; }
    void performChanges(PortChangeBlock, PortChangeCompletion) override {}
    void registerChangeObserver(std::shared_ptr<PortChangeObserver>) override {}
    void unregisterChangeObserver(const std::shared_ptr<PortChangeObserver>&) override {}
};

PortImage twoByOne() {
    return {2, 1, {255, 0, 0, 0, 0, 255}};
}

class PortProvider : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedPort> port = std::make_shared<ScriptedPort>();
    PortImageDataProvider provider{port};
};

TEST_F(PortProvider, FetchesThePhotoWithItsResourceSizes) {
    auto photo = provider.fetchPhoto("Trips/IMG_1.jpg");
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->creationDate, Date{700000000});
    EXPECT_EQ(photo->pixelWidth, 4032);
    EXPECT_EQ(photo->resourceFileSizes, (std::vector<std::optional<std::int64_t>>{0, 2'345'678}));
    EXPECT_FALSE(provider.fetchPhoto("unknown"));
}

TEST_F(PortProvider, ImageDataMayBeDownloadedAndComesWithTheCreationDate) {
    std::thread worker;
    port->answerData = [&worker](PortImageDataHandler handler) {
        worker = std::thread([handler] {
            handler(std::vector<std::uint8_t>{1, 2, 3}, "public.jpeg", 1, {});
            handler(std::vector<std::uint8_t>{9}, "public.jpeg", 1, {});
        });
    };
    auto answer = provider.imageData("Trips/IMG_1.jpg");
    worker.join();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(answer->createdAt, Date{700000000});
    EXPECT_TRUE(port->asked.back().networkAccessAllowed);
    EXPECT_EQ(port->asked.back().version, 0);
    EXPECT_FALSE(provider.imageData("unknown"));
}

TEST_F(PortProvider, NoDataIsNoAnswer) {
    port->answerData = [](PortImageDataHandler handler) { handler(std::nullopt, "", 1, {}); };
    EXPECT_FALSE(provider.imageData("Trips/IMG_1.jpg"));
}

TEST_F(PortProvider, RenditionsNeverUseTheNetworkAndComeAsBgr) {
    port->answerImage = [](PortImageHandler handler) { handler(twoByOne(), {}); };
    auto image = provider.offlineImage(*provider.fetchPhoto("Trips/IMG_1.jpg"), 512);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), cv::Size(2, 1));
    EXPECT_EQ(image->at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 255));
    EXPECT_FALSE(port->asked.back().networkAccessAllowed);
    EXPECT_EQ(port->asked.back().resizeMode, 1);
}

TEST_F(PortProvider, ADegradedFirstAnswerIsNoRenditionEvenIfAFullOneFollows) {
    port->answerImage = [](PortImageHandler handler) {
        PortImageInfo degraded;
        degraded.isDegraded = true;
        handler(twoByOne(), degraded);
        handler(twoByOne(), {});
    };
    EXPECT_FALSE(provider.offlineImage(*provider.fetchPhoto("Trips/IMG_1.jpg"), 512));
}

TEST_F(PortProvider, MismatchedPixelsAreRefused) {
    EXPECT_FALSE(PortImageDataProvider::pixels({3, 1, {1, 2, 3}}));
    EXPECT_FALSE(PortImageDataProvider::pixels({0, 0, {}}));
    EXPECT_FALSE(PortImageDataProvider::pixels({1LL << 40, 1LL << 40, {}}));
}

} // namespace
} // namespace keepsift
