#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QSlider>
#include <QTest>

#include "Keepsift/images/LibraryImageSource.hpp"
#include "Keepsift/images/tests/TemporaryLibrary.hpp"
#include "Keepsift/views/ReviewWindow.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;
namespace fs = std::filesystem;

// The family-burst scenario with its pictures read from real files in a folder library, so
// files can go missing, be broken or have odd shapes.
class BadPictures : public ::testing::Test {
protected:
    void SetUp() override {
        auto actor = std::make_shared<GuiMainActor>();
        images_ = std::make_shared<LibraryImageSource>(
            folder_.library, [actor](std::function<void()> work) { actor->post(std::move(work)); });
        model = startedScenario("family-burst", {}, images_);
        ASSERT_FALSE(model->snapshot().review.groups.empty());
        group = model->snapshot().review.groups.front();
    }

    void TearDown() override {
        window.reset();
        model.reset();
        images_.reset();
    }

    void writePhoto(const std::string& id, int width, int height) {
        folder_.writeJpeg(id, width, height);
    }

    void open() {
        window = std::make_unique<ReviewWindow>(*model, nullptr, appearing());
        showAtUsualSize(*window);
    }

    // The model's snapshot with its first group changed, as a later refresh would publish it.
    EngineSnapshot withFirstGroup(const std::function<void(ReviewGroup&)>& change) const {
        EngineSnapshot next = model->snapshot();
        std::vector<ReviewGroup> groups(next.review.groups.begin(), next.review.groups.end());
        change(groups.front());
        next.review = ReviewList(std::move(groups));
        return next;
    }

    std::vector<ThumbnailButton*> pictures(const std::string& prefix) const {
        std::vector<ThumbnailButton*> found;
        for (const auto& photo : group.photos)
            if (auto* picture = window->findChild<ThumbnailButton*>(
                    QString::fromStdString(prefix + photo.assetID)))
                found.push_back(picture);
        return found;
    }

    // Until every picture has its answer, a picture or none.
    void answered(const std::string& prefix) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (auto* picture : pictures(prefix))
                    if (!picture->state().image() && picture->failedFor() == 0) return false;
                return true;
            },
            30000));
        settle();
    }

    testing::TemporaryLibrary folder_;
    const fs::path& root_ = folder_.root;
    std::shared_ptr<LibraryImageSource> images_;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ReviewWindow> window;
    ReviewGroup group;
};

TEST_F(BadPictures, APhotoGoneFromDiskShowsAPlaceholderAndTheNextRefreshDropsIt) {
    writePhoto(group.photos[0].assetID, 1200, 900);
    writePhoto(group.photos[1].assetID, 1200, 900);
    open();
    answered("photo-");
    fs::remove(root_ / group.photos[0].assetID);
    // A larger size is asked again: the file is gone, the earlier picture stays.
    window->header()->slider()->setValue(400);
    answered("photo-");
    auto shown = pictures("photo-");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[1]->state().image(), nullptr);
    EXPECT_EQ(shown[2]->state().image(), nullptr) << "never on disk: the placeholder";
    EXPECT_GT(shown[2]->failedFor(), 0);
    screenshot(*window, "review-missing-photo");

    model->setSnapshot(
        withFirstGroup([](ReviewGroup& first) { first.photos.erase(first.photos.begin() + 2); }));
    settle();
    GroupRow* row = window->groupList()->rowFor(group.id);
    ASSERT_NE(row, nullptr);
    int visibleCells = 0;
    for (auto* cell : row->cells())
        visibleCells += cell->isVisible() ? 1 : 0;
    EXPECT_EQ(visibleCells, 2);
}

TEST_F(BadPictures, CorruptAndEmptyFilesShowPlaceholders) {
    std::ofstream(root_ / group.photos[0].assetID, std::ios::binary) << "\xff\xd8\xff garbage";
    std::ofstream(root_ / group.photos[1].assetID).close();
    writePhoto(group.photos[2].assetID, 800, 600);
    open();
    answered("photo-");
    auto shown = pictures("photo-");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0]->state().image(), nullptr);
    EXPECT_EQ(shown[1]->state().image(), nullptr);
    EXPECT_NE(shown[2]->state().image(), nullptr);
    screenshot(*window, "review-corrupt-photos");
}

TEST_F(BadPictures, AGroupWhosePhotosAllVanishedStillLaysOut) {
    open();
    answered("photo-");
    for (auto* picture : pictures("photo-"))
        EXPECT_EQ(picture->state().image(), nullptr);
    model->setSnapshot(withFirstGroup([](ReviewGroup& first) { first.photos.clear(); }));
    settle();
    GroupRow* row = window->groupList()->rowFor(group.id);
    ASSERT_NE(row, nullptr);
    EXPECT_GT(row->height(), 0);
    screenshot(*window, "review-vanished-group");
    pressKey(window.get(), Qt::Key_Space);
    EXPECT_FALSE(window->state().comparing.has_value());
    EXPECT_FALSE(window->compareOverlay()->isVisible()) << "nothing to compare";
}

TEST_F(BadPictures, APanoramaAndASinglePixelFitTheirCompareTiles) {
    writePhoto(group.photos[0].assetID, 30000, 200);
    writePhoto(group.photos[1].assetID, 1, 1);
    writePhoto(group.photos[2].assetID, 1600, 1200);
    open();
    pressKey(window.get(), Qt::Key_Space);
    ASSERT_TRUE(window->compareOverlay()->isVisible());
    answered("compare-");
    auto tiles = pictures("compare-");
    ASSERT_EQ(tiles.size(), 3u);
    for (auto* tile : tiles) {
        ASSERT_NE(tile->state().image(), nullptr) << tile->objectName().toStdString();
        EXPECT_TRUE(window->compareOverlay()->rect().contains(
            tile->mapTo(window->compareOverlay(), tile->rect().bottomRight())));
    }
    EXPECT_EQ(tiles[1]->state().image()->width, 1);
    EXPECT_GE(tiles[0]->state().image()->height, 1);
    screenshot(*window, "review-compare-odd-shapes");
}

} // namespace
} // namespace keepsift::app
