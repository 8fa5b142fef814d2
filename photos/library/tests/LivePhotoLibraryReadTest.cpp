#include <gtest/gtest.h>

#include "photos/library/AuthorizationMapping.hpp"
#include "photos/library/tests/ScriptedLibraryFixture.hpp"

using namespace keepsift;
using namespace keepsift::testing;

TEST(AuthorizationMapping, FollowsThePlatformOrderNotOurs) {
    EXPECT_EQ(authorizationFromRaw(0), LibraryAuthorization::notDetermined);
    EXPECT_EQ(authorizationFromRaw(1), LibraryAuthorization::restricted);
    EXPECT_EQ(authorizationFromRaw(2), LibraryAuthorization::denied);
    EXPECT_EQ(authorizationFromRaw(3), LibraryAuthorization::authorized);
    EXPECT_EQ(authorizationFromRaw(4), LibraryAuthorization::limited);
    EXPECT_EQ(authorizationFromRaw(5), LibraryAuthorization::notDetermined);
    EXPECT_EQ(authorizationFromRaw(-1), LibraryAuthorization::notDetermined);
}

TEST(LivePhotoLibrary, ConstructionAsksNothing) {
    auto port = portWithAssets(2);
    LivePhotoLibrary library(port);
    EXPECT_EQ(port->callCount(), 0);
}

TEST(LivePhotoLibrary, RequestTakesOnlyTheFirstAnswer) {
    for (bool otherThread : {false, true}) {
        auto port = portWithAssets(0);
        port->setAuthorization(0, 2);
        port->answerTwice(true);
        port->answerFromAnotherThread(otherThread);
        LivePhotoLibrary library(port);
        EXPECT_EQ(library.authorizationStatus(), LibraryAuthorization::notDetermined);
        EXPECT_EQ(library.requestAuthorization(), LibraryAuthorization::denied);
    }
}

TEST(LivePhotoLibrary, ListsAssetsWithAlbumFlags) {
    auto port = portWithAssets(4);
    port->addAlbum(rejectsTitle(), {"p0", "p1"});
    port->addAlbum("Holiday", {"p1", "p2"});
    port->addAlbum(std::nullopt, {"p3"});
    LivePhotoLibrary library(port);
    const auto assets = library.fetchAssets();
    ASSERT_EQ(assets.size(), 4u);
    EXPECT_TRUE(assets[0].isRejected);
    EXPECT_FALSE(assets[0].isInUserAlbum);
    EXPECT_TRUE(assets[1].isRejected);
    EXPECT_TRUE(assets[1].isInUserAlbum);
    EXPECT_FALSE(assets[2].isRejected);
    EXPECT_TRUE(assets[2].isInUserAlbum);
    EXPECT_TRUE(assets[3].isInUserAlbum) << "an untitled album is still the user's";
}

TEST(LivePhotoLibrary, OnlyTheFirstRegularRejectsAlbumCounts) {
    auto port = portWithAssets(3);
    port->addAlbum(rejectsTitle(), {"p0"}, 100);
    port->addAlbum(rejectsTitle(), {"p1"});
    port->addAlbum(rejectsTitle(), {"p2"});
    LivePhotoLibrary library(port);
    const auto assets = library.fetchAssets();
    EXPECT_FALSE(assets[0].isRejected) << "a shared album is not the rejects album";
    EXPECT_TRUE(assets[1].isRejected);
    EXPECT_FALSE(assets[2].isRejected);
    for (const auto& a : assets)
        EXPECT_FALSE(a.isInUserAlbum) << a.id;
}

TEST(LivePhotoLibrary, WithoutRejectsAlbumNothingIsRejectedOrCreated) {
    auto port = portWithAssets(2);
    LivePhotoLibrary library(port);
    for (const auto& a : library.fetchAssets())
        EXPECT_FALSE(a.isRejected);
    EXPECT_TRUE(port->albums().empty());
    EXPECT_EQ(port->changeBlockCount(), 0);
}

// The size is the primary file's, which a photograph found elsewhere must share.
TEST(LivePhotoLibrary, MapsFieldsAndFallsBackToTheIdentifierForFilename) {
    auto port = std::make_shared<ScriptedPhotoLibraryPort>();
    PortAsset bare = asset("x/IMG_1.HEIC", 5);
    bare.filename.reset();
    bare.modificationDate = Date{9};
    bare.isFavorite = true;
    bare.hasAdjustments = true;
    bare.resources = {{PortResourceType::photo, "IMG_1.HEIC", 12345}};
    port->addAsset(bare);
    PortAsset video = asset("clip", 6);
    video.mediaType = 2;
    port->addAsset(video);
    LivePhotoLibrary library(port);
    const auto assets = library.fetchAssets();
    ASSERT_EQ(assets.size(), 1u);
    LibraryAsset expected{"x/IMG_1.HEIC", "x/IMG_1.HEIC", Date{5}, Date{9}, 4032, 3024,
                          12345,          true,           true,    false,   false};
    EXPECT_EQ(assets[0], expected);
}

TEST(LivePhotoLibrary, AnIncompleteListingIsAnErrorNotAnEmptyLibrary) {
    auto port = portWithAssets(2);
    port->failFetches(true);
    LivePhotoLibrary library(port);
    EXPECT_THROW(library.fetchAssets(), PortFetchError);
}
