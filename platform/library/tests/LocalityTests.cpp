#include "FolderLibraryFixture.hpp"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace keepsift::foldertest {
namespace {

struct DataAnswer {
    int calls = 0;
    std::optional<std::vector<std::uint8_t>> data;
    std::string type;
    PortImageInfo info;
};

class LocalityTest : public FolderLibraryTest {
protected:
    DataAnswer requestData(PhotoLibraryPort& library, const std::string& id, bool network) {
        DataAnswer answer;
        PortImageRequestOptions options;
        options.networkAccessAllowed = network;
        PortAsset asset;
        asset.localIdentifier = id;
        library.requestImageData(asset, options,
                                 [&](auto data, std::string type, int, PortImageInfo info) {
                                     ++answer.calls;
                                     answer.data = std::move(data);
                                     answer.type = std::move(type);
                                     answer.info = info;
                                 });
        return answer;
    }
    // A file with a size but no blocks, as a sync client leaves an evicted original.
    void writeSparse(const std::filesystem::path& path, off_t size) {
        int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
};

TEST_F(LocalityTest, AResidentFileAnswersItsBytes) {
    writeJpeg(lib("a.jpg"));
    auto answer = requestData(*makeLibrary(), "a.jpg", false);
    EXPECT_EQ(answer.calls, 1);
    ASSERT_TRUE(answer.data);
    EXPECT_EQ(answer.data->size(), std::filesystem::file_size(lib("a.jpg")));
    EXPECT_EQ(answer.type, "public.jpeg");
    EXPECT_EQ(answer.info.isInCloud, false);
}

TEST_F(LocalityTest, ASparseFileIsInTheCloudAndNeverOpenedWithoutNetwork) {
    writeSparse(lib("evicted.jpg"), 4096);
    auto library = makeLibrary();
    auto assets = library->fetchImageAssets();
    ASSERT_EQ(ids(assets), std::vector<std::string>{"evicted.jpg"});
    EXPECT_EQ(assets[0].pixelWidth, 0);
    auto refused = requestData(*library, "evicted.jpg", false);
    EXPECT_FALSE(refused.data);
    EXPECT_EQ(refused.info.isInCloud, true);
    // With network access it is opened: what came down (here nothing but a hole, no
    // picture) is read no further than its head.
    auto allowed = requestData(*library, "evicted.jpg", true);
    EXPECT_FALSE(allowed.data);
    ASSERT_TRUE(allowed.info.error);
    EXPECT_EQ(allowed.info.error->code, EINVAL);
}

TEST_F(LocalityTest, ASyncPlaceholderStandsForItsPhotograph) {
    writeText(lib("trip/IMG_9.jpg.nextcloud"), "");
    writeText(lib("trip/notes.txt.nextcloud"), "");
    auto library = makeLibrary();
    auto assets = library->fetchImageAssets();
    ASSERT_EQ(ids(assets), std::vector<std::string>{"trip/IMG_9.jpg"});
    EXPECT_EQ(assets[0].filename, "IMG_9.jpg");
    EXPECT_FALSE(assets[0].resources[0].fileSize);
    auto answer = requestData(*library, "trip/IMG_9.jpg", true);
    EXPECT_FALSE(answer.data);
    EXPECT_EQ(answer.info.isInCloud, true);
}

TEST_F(LocalityTest, AnUnknownPhotographAnswersAnError) {
    auto answer = requestData(*makeLibrary(), "missing.jpg", true);
    EXPECT_EQ(answer.calls, 1);
    EXPECT_FALSE(answer.data);
    EXPECT_TRUE(answer.info.error);
}

class FixedRendition : public RenditionSource {
public:
    std::optional<PortImage> rendition(const std::string& path, bool resident,
                                       std::int64_t target) override {
        asked.push_back({path, resident});
        const auto side = std::min(target, largest);
        return PortImage{side, side / 2, {}};
    }
    std::vector<std::pair<std::string, bool>> asked;
    std::int64_t largest = 16'384;
};

TEST_F(LocalityTest, RenditionsAreAskedWithoutOpeningEvictedOriginals) {
    writeJpeg(lib("a.jpg"));
    writeSparse(lib("b.jpg"), 100);
    auto source = std::make_shared<FixedRendition>();
    auto opts = options();
    opts.renditions = source;
    auto library = makeLibrary(opts);
    for (const char* id : {"a.jpg", "b.jpg"}) {
        PortAsset asset;
        asset.localIdentifier = id;
        std::optional<PortImage> image;
        library->requestImage(asset, 512, {}, [&](auto answer, PortImageInfo info) {
            image = std::move(answer);
            EXPECT_EQ(info.isDegraded, false);
        });
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, 512);
    }
    ASSERT_EQ(source->asked.size(), 2u);
    EXPECT_TRUE(source->asked[0].second);
    EXPECT_FALSE(source->asked[1].second);
}

TEST_F(LocalityTest, ARenditionSmallerThanAskedIsDegraded) {
    writeSparse(lib("b.jpg"), 100);
    auto source = std::make_shared<FixedRendition>();
    source->largest = 256;
    auto opts = options();
    opts.renditions = source;
    auto library = makeLibrary(opts);
    PortAsset asset;
    asset.localIdentifier = "b.jpg";
    for (std::int64_t target : {2048, 257, 256, 100}) {
        std::optional<PortImageInfo> info;
        library->requestImage(asset, target, {},
                              [&](auto, PortImageInfo answered) { info = answered; });
        ASSERT_TRUE(info);
        EXPECT_EQ(info->isDegraded, target > 256) << target;
    }
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

struct Streamed {
    std::vector<std::uint8_t> bytes;
    std::optional<PortError> error;
    int completions = 0;
};

Streamed streamResource(FolderPhotoLibrary& library, const PortAsset& asset, size_t index,
                        bool network) {
    Streamed streamed;
    library.requestData(
        asset, asset.resources.at(index), network,
        [&](const std::vector<std::uint8_t>& chunk) {
            streamed.bytes.insert(streamed.bytes.end(), chunk.begin(), chunk.end());
        },
        [&](std::optional<PortError> error) {
            streamed.error = std::move(error);
            ++streamed.completions;
        });
    return streamed;
}

TEST_F(LocalityTest, ResourcesStreamTheirFilesAndRefuseEvictedOnesOffline) {
    writeJpeg(lib("IMG_1.jpg"));
    writeSparse(lib("IMG_1.CR2"), 3 << 20);
    auto library = makeLibrary();
    auto asset = library->fetchImageAssets().at(0);
    ASSERT_EQ(asset.resources.size(), 2u);
    auto primary = streamResource(*library, asset, 0, false);
    EXPECT_EQ(primary.completions, 1);
    EXPECT_FALSE(primary.error);
    EXPECT_EQ(primary.bytes.size(), std::filesystem::file_size(lib("IMG_1.jpg")));
    auto refused = streamResource(*library, asset, 1, false);
    EXPECT_TRUE(refused.error);
    EXPECT_TRUE(refused.bytes.empty());
    auto downloaded = streamResource(*library, asset, 1, true);
    EXPECT_FALSE(downloaded.error);
    EXPECT_EQ(downloaded.bytes.size(), 3u << 20);
}

} // namespace
} // namespace keepsift::foldertest
