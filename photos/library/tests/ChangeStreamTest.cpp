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
