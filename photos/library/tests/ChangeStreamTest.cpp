#include <gtest/gtest.h>

#include <chrono>

#include "photos/library/ChangeObserver.hpp"
#include "photos/library/tests/ScriptedLibraryFixture.hpp"

using namespace keepsift;
using namespace keepsift::testing;
using namespace std::chrono_literals;

namespace {

std::vector<LibraryChange> drain(const LibraryChangeStream& stream) {
    std::vector<LibraryChange> values;
    while (auto value = stream->next(0ms))
        values.push_back(*value);
    return values;
}

} // namespace

TEST(ChangeStream, NothingIsYieldedUntilTheLibraryChanges) {
    auto port = portWithAssets(1);
    LivePhotoLibrary library(port);
    auto stream = library.changes();
    EXPECT_EQ(port->registeredObserverCount(), 1u);
    EXPECT_TRUE(drain(stream).empty());
}

TEST(ChangeStream, UnrelatedChangeOnlyAsksForRefresh) {
    auto port = portWithAssets(1);
    port->addAlbum(rejectsTitle(), {"p0"});
    LivePhotoLibrary library(port);
    auto stream = library.changes();
    port->notifyChange();
    EXPECT_EQ(drain(stream), std::vector<LibraryChange>{change::NeedsRefresh{}});
}

TEST(ChangeStream, ReportsRejectsMembershipSortedAfterRefresh) {
    auto port = portWithAssets(0);
    const auto album = port->addAlbum(rejectsTitle(), {"C", "D"});
    LivePhotoLibrary library(port);
    auto stream = library.changes();
    port->setAlbumMembers(album, {"D", "B", "A"});
    port->notifyChange();
    const std::vector<LibraryChange> expected{change::NeedsRefresh{},
                                              change::RejectsAlbumChanged{{"A", "B"}, {"C"}}};
    EXPECT_EQ(drain(stream), expected);
    port->notifyChange();
    EXPECT_EQ(drain(stream), std::vector<LibraryChange>{change::NeedsRefresh{}})
        << "the known membership moved on";
}

TEST(ChangeStream, OwnWritesAreReportedToo) {
    auto port = portWithAssets(2);
    LivePhotoLibrary library(port);
    auto stream = library.changes();
    library.setRejected({"p1"}, true);
    port->notifyChange();
    const std::vector<LibraryChange> expected{change::NeedsRefresh{},
                                              change::RejectsAlbumChanged{{"p1"}, {}}};
    EXPECT_EQ(drain(stream), expected);
}

TEST(ChangeStream, ObserverLeavesWhenTheConsumerCancels) {
    auto port = portWithAssets(1);
    LivePhotoLibrary library(port);
    auto stream = library.changes();
    stream->cancel();
    EXPECT_EQ(port->registeredObserverCount(), 0u);
    EXPECT_EQ(port->unregisterCount(), 1);
    port->notifyChange();
    EXPECT_FALSE(stream->next(0ms));
}

TEST(ChangeStream, ObserverLeavesWhenTheConsumerDropsTheStream) {
    auto port = portWithAssets(1);
    LivePhotoLibrary library(port);
    std::weak_ptr<ChangeObserver> observer;
    {
        auto stream = library.changes();
        observer = library.observer();
    }
    EXPECT_EQ(port->registeredObserverCount(), 0u);
    library.changes();
    EXPECT_TRUE(observer.expired()) << "nothing keeps a finished observer alive";
}

TEST(ChangeStream, EachSubscriptionHasItsOwnObserver) {
    auto port = portWithAssets(1);
    const auto album = port->addAlbum(rejectsTitle(), {});
    LivePhotoLibrary library(port);
    auto first = library.changes();
    port->setAlbumMembers(album, {"p0"});
    auto second = library.changes();
    EXPECT_EQ(port->registeredObserverCount(), 2u);
    port->notifyChange();
    EXPECT_EQ(drain(first).size(), 2u);
    EXPECT_EQ(drain(second).size(), 1u) << "the second started with p0 known";
    second->cancel();
    EXPECT_EQ(port->registeredObserverCount(), 1u) << "the first stays until its stream ends";
}

namespace {

// The library folder went away: every listing, the albums' too, fails.
struct GonePort : ScriptedPhotoLibraryPort {
    std::vector<PortAssetCollection> fetchRegularAlbumsTitled(const std::string& title) override {
        if (gone) throw PortFetchError("the folder is missing", "/media/Pictures");
        return ScriptedPhotoLibraryPort::fetchRegularAlbumsTitled(title);
    }
    std::atomic<bool> gone = false;
};

} // namespace

// A library whose folder goes away while it is watched asks for a refresh (which names it)
// instead of ending the process; its album counts again from when it is back, so nothing
// reads as a hand decision.
TEST(ChangeStream, ALibraryThatCannotBeReadOnlyAsksForRefresh) {
    auto port = std::make_shared<GonePort>();
    port->addAsset(asset("p0", 0));
    port->addAlbum(rejectsTitle(), {"p0"});
    port->gone = true;
    LivePhotoLibrary library(port);
    auto stream = library.changes();
    port->notifyChange();
    EXPECT_EQ(drain(stream), std::vector<LibraryChange>{change::NeedsRefresh{}});
    port->gone = false;
    port->notifyChange();
    EXPECT_EQ(drain(stream), std::vector<LibraryChange>{change::NeedsRefresh{}})
        << "the album read on its return is the baseline";
    port->gone = true;
    port->notifyChange();
    port->gone = false;
    port->notifyChange();
    EXPECT_EQ(drain(stream),
              (std::vector<LibraryChange>{change::NeedsRefresh{}, change::NeedsRefresh{}}));
}

// An unmounted drive leaves its empty mount point, which shows no album at all: the port says
// it cannot be read, and the album's absence is not the user emptying it (which would turn
// every flag into a hand keep). The album counts again when the drive is back.
TEST(ChangeStream, AnAlbumThatVanishesWithItsStorageIsNoChange) {
    auto port = portWithAssets(2);
    const std::string album = port->addAlbum(rejectsTitle(), {"p0"});
    LivePhotoLibrary library(port);
    auto stream = library.changes();
    port->setAlbumMembers(album, {});
    port->setAuthorization(port_authorization::restricted, port_authorization::restricted);
    port->notifyChange();
    EXPECT_EQ(drain(stream), std::vector<LibraryChange>{change::NeedsRefresh{}});

    port->setAlbumMembers(album, {"p0", "p1"});
    port->setAuthorization(port_authorization::authorized, port_authorization::authorized);
    port->notifyChange();
    auto changes = drain(stream);
    ASSERT_EQ(changes.size(), 2u);
    const auto* albumChange = std::get_if<change::RejectsAlbumChanged>(&changes[1]);
    ASSERT_TRUE(albumChange);
    EXPECT_EQ(albumChange->added, std::vector<std::string>{"p1"}) << "p1 was added meanwhile";
    EXPECT_TRUE(albumChange->removed.empty());
}
