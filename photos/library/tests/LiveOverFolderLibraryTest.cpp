#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "photos/library/LivePhotoLibrary.hpp"
#include "photos/library/RejectsAlbum.hpp"
#include "photos/library/StorageSpike.hpp"
#include "platform/library/FolderPhotoLibrary.hpp"
#include "platform/renditions/PngFile.hpp"

using namespace keepsift;
using namespace std::chrono_literals;

namespace {

struct UserAnswers : ConsentPrompt, DeletionConfirmation {
    bool askLibraryConsent(const std::string&) override { return true; }
    bool confirmDeletion(const std::vector<PortAsset>&) override { return confirm; }
    bool confirm = true;
};

// The adapter over the real folder library, on a temporary picture folder.
class LiveOverFolderLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "keepsift-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        for (const char* name : {"a.png", "b.png", "c.png"})
            ASSERT_TRUE(writePng(pictures() / name, cv::Mat(8, 16, CV_8UC3, cv::Scalar(9)), {}));
        auto options = folderOptions();
        options.consentPrompt = answer;
        options.deletionConfirmation = answer;
        options.watcher.interval = 50ms;
        options.watcher.settle = 10ms;
        library = std::make_unique<LivePhotoLibrary>(
            std::make_shared<FolderPhotoLibrary>(std::move(options)));
        ASSERT_EQ(library->requestAuthorization(), LibraryAuthorization::authorized);
    }
    void TearDown() override {
        library.reset();
        std::filesystem::remove_all(root);
    }

    FolderLibraryOptions folderOptions() {
        FolderLibraryOptions options;
        options.root = pictures();
        options.catalogueFile = root / "catalogue.sqlite";
        options.consentFile = root / "consent.json";
        options.homeTrash = root / "Trash";
        return options;
    }

    std::filesystem::path pictures() {
        std::filesystem::create_directories(root / "Pictures");
        return root / "Pictures";
    }

    std::filesystem::path root;
    std::shared_ptr<UserAnswers> answer = std::make_shared<UserAnswers>();
    std::unique_ptr<LivePhotoLibrary> library;
};

} // namespace

TEST_F(LiveOverFolderLibrary, FlagsIntoTheRejectsFolderAndListsIt) {
    library->setRejected({"b.png"}, true);
    EXPECT_TRUE(std::filesystem::is_directory(pictures() / LivePhotoLibrary::rejectsAlbumTitle));
    const auto assets = library->fetchAssets();
    ASSERT_EQ(assets.size(), 3u);
    for (const auto& asset : assets)
        EXPECT_EQ(asset.isRejected, asset.id == "b.png") << asset.id;
    library->setRejected({"b.png"}, false);
    for (const auto& asset : library->fetchAssets())
        EXPECT_FALSE(asset.isRejected);
}

TEST_F(LiveOverFolderLibrary, DeletesOnlyWhatTheUserConfirms) {
    answer->confirm = false;
    EXPECT_EQ(library->deleteAssets({"a.png"}, {}),
              DeletionReport::allKept({"a.png"}, KeptReason::declined));
    EXPECT_TRUE(std::filesystem::exists(pictures() / "a.png"));
    answer->confirm = true;
    // One not in the library did not reach the Trash.
    EXPECT_EQ(library->deleteAssets({"a.png", "gone.png"}, {}).deletedCount(), 1);
    EXPECT_FALSE(std::filesystem::exists(pictures() / "a.png"));
}

TEST_F(LiveOverFolderLibrary, ResidentFilesAreLocal) {
    EXPECT_EQ(library->storageMode(), LibraryStorage::local);
}

TEST_F(LiveOverFolderLibrary, OwnWriteArrivesOnTheChangeStream) {
    auto stream = library->changes();
    library->setRejected({"c.png"}, true);
    const LibraryChange expected = change::RejectsAlbumChanged{{"c.png"}, {}};
    bool refreshed = false;
    std::optional<LibraryChange> rejectsChange;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!rejectsChange && std::chrono::steady_clock::now() < deadline) {
        auto value = stream->next(100ms);
        if (!value) continue;
        if (std::holds_alternative<change::NeedsRefresh>(*value))
            refreshed = true;
        else
            rejectsChange = value;
    }
    EXPECT_TRUE(refreshed);
    EXPECT_EQ(rejectsChange, expected);
}

TEST_F(LiveOverFolderLibrary, DiagnosticFindsNothingEvictedInAResidentLibrary) {
    FolderPhotoLibrary port(folderOptions());
    const auto report = StorageSpike::run(port, 40);
    EXPECT_NE(report.find("library            3 photograph(s)"), std::string::npos);
    EXPECT_NE(report.find("spread    in iCloud 0/3"), std::string::npos);
    EXPECT_EQ(report.substr(report.rfind('\n') + 1),
              "                   Re-run when the library is large enough to force it.");
}
