#include <gtest/gtest.h>

#include "core/model/LibraryError.hpp"
#include "photos/library/ServiceError.hpp"
#include "photos/library/tests/ScriptedLibraryFixture.hpp"

using namespace keepsift;
using namespace keepsift::testing;

namespace {

std::vector<std::string> rejectsOf(ScriptedPhotoLibraryPort& port) {
    for (const auto& album : port.albums())
        if (album.localizedTitle == rejectsTitle()) return port.albumMembers(album.localIdentifier);
    return {};
}

std::int64_t missingAfter(LivePhotoLibrary& library, std::vector<std::string> ids, bool flag) {
    try {
        library.setRejected(ids, flag);
    } catch (const LibraryError& error) {
        EXPECT_EQ(error.kind(), LibraryError::Kind::albumWriteIncomplete);
        return error.missing();
    }
    return 0;
}

} // namespace

TEST(RejectsAlbumWrites, FirstFlagCreatesTheAlbumThenFillsIt) {
    auto port = portWithAssets(3);
    LivePhotoLibrary library(port);
    library.setRejected({"p0", "p2"}, true);
    EXPECT_EQ(port->changeBlockCount(), 2);
    ASSERT_EQ(port->albums().size(), 1u);
    EXPECT_EQ(rejectsOf(*port), (std::vector<std::string>{"p0", "p2"}));
}

TEST(RejectsAlbumWrites, ExistingAlbumTakesOneBlock) {
    auto port = portWithAssets(3);
    port->addAlbum(rejectsTitle(), {});
    LivePhotoLibrary library(port);
    library.setRejected({"p1"}, true);
    EXPECT_EQ(port->changeBlockCount(), 1);
    EXPECT_EQ(rejectsOf(*port), std::vector<std::string>{"p1"});
}

TEST(RejectsAlbumWrites, UnflaggingWithoutAlbumCreatesNothing) {
    auto port = portWithAssets(2);
    LivePhotoLibrary library(port);
    library.setRejected({"p0"}, false);
    EXPECT_TRUE(port->albums().empty());
}

TEST(RejectsAlbumWrites, UnflaggingTakesMembersOut) {
    auto port = portWithAssets(3);
    port->addAlbum(rejectsTitle(), {"p0", "p1", "p2"});
    LivePhotoLibrary library(port);
    library.setRejected({"p0", "p2"}, false);
    EXPECT_EQ(rejectsOf(*port), std::vector<std::string>{"p1"});
}

TEST(RejectsAlbumWrites, EmptyListAsksNothing) {
    auto port = portWithAssets(2);
    LivePhotoLibrary library(port);
    library.setRejected({}, true);
    EXPECT_EQ(port->callCount(), 0);
}

TEST(RejectsAlbumWrites, UnknownIdentifiersAreCountedMissing) {
    auto port = portWithAssets(2);
    port->addAlbum(rejectsTitle(), {});
    LivePhotoLibrary library(port);
    EXPECT_EQ(missingAfter(library, {"gone1", "gone2", "gone3"}, true), 3);
    EXPECT_EQ(port->changeBlockCount(), 0);
    EXPECT_EQ(missingAfter(library, {"p0", "gone1", "gone2"}, true), 2);
    EXPECT_EQ(port->changeBlockCount(), 2) << "the found ones are added again";
    EXPECT_EQ(rejectsOf(*port), std::vector<std::string>{"p0"});
}

TEST(RejectsAlbumWrites, MembershipThatDidNotTakeIsAnError) {
    auto port = portWithAssets(2);
    port->addAlbum(rejectsTitle(), {});
    port->ignoreAlbumAdds(true);
    LivePhotoLibrary library(port);
    EXPECT_EQ(missingAfter(library, {"p0", "p1", "p1"}, true), 2) << "duplicates count once";
}

TEST(RejectsAlbumWrites, AlbumThatCannotChangeIsAnError) {
    auto port = portWithAssets(2);
    port->addAlbum(rejectsTitle(), {"p0"});
    port->withholdChangeRequests(true);
    LivePhotoLibrary library(port);
    EXPECT_EQ(missingAfter(library, {"p0"}, false), 1);
}

TEST(RejectsAlbumWrites, FailedBlockThrowsTheServiceError) {
    auto port = portWithAssets(2);
    const PortError diskFull{"NSCocoaErrorDomain", 640, "disk full"};
    port->failChangeBlocks(diskFull);
    LivePhotoLibrary library(port);
    try {
        library.setRejected({"p0"}, true);
        FAIL() << "a failed change block must not pass as success";
    } catch (const ServiceError& error) {
        EXPECT_EQ(error.error(), diskFull);
    }
    port->failChangeBlocks(std::nullopt);
    EXPECT_THROW(library.setRejected({"p0"}, true), ServiceError);
}

TEST(RejectsAlbumWrites, CompletionAnsweringTwiceResumesOnce) {
    for (bool otherThread : {false, true}) {
        auto port = portWithAssets(2);
        port->answerTwice(true);
        port->answerFromAnotherThread(otherThread);
        LivePhotoLibrary library(port);
        library.setRejected({"p0", "p1"}, true);
        EXPECT_EQ(rejectsOf(*port), (std::vector<std::string>{"p0", "p1"}));
        EXPECT_EQ(library.deleteAssets({"p0"}, {}).deletedCount(), 1);
        port->refuseDeletion(true);
        EXPECT_EQ(library.deleteAssets({"p1"}, {}).deletedCount(), 0)
            << "the second, contrary answer is ignored";
    }
}

// One already gone did not reach the Trash: it is not said to be deleted.
TEST(Deletion, DeletesWhatExistsAndSkipsTheRest) {
    auto port = portWithAssets(3);
    LivePhotoLibrary library(port);
    EXPECT_EQ(library.deleteAssets({"p1", "gone"}, {}).deleted, (std::vector<std::string>{"p1"}));
    EXPECT_EQ(port->assetIds(), (std::vector<std::string>{"p0", "p2"}));
}

TEST(Deletion, NothingToDeleteAnswersFalse) {
    auto port = portWithAssets(1);
    LivePhotoLibrary library(port);
    EXPECT_EQ(library.deleteAssets({}, {}), DeletionReport{});
    EXPECT_EQ(library.deleteAssets({"gone"}, {}), DeletionReport{});
    EXPECT_EQ(port->changeBlockCount(), 0);
}

TEST(Deletion, CancellationAnswersFalseWithoutThrowing) {
    auto port = portWithAssets(1);
    port->refuseDeletion(true);
    LivePhotoLibrary library(port);
    EXPECT_EQ(library.deleteAssets({"p0"}, {}),
              DeletionReport::allKept({"p0"}, KeptReason::declined));
    EXPECT_EQ(port->assetIds(), std::vector<std::string>{"p0"});
}

TEST(Deletion, OtherFailuresAreThrown) {
    auto port = portWithAssets(1);
    LivePhotoLibrary library(port);
    port->failChangeBlocks(PortError{"NSCocoaErrorDomain", PortError::userCancelled, "other"});
    EXPECT_THROW(library.deleteAssets({"p0"}, {}), ServiceError) << "3072 of another domain";
    port->failChangeBlocks(PortError{PortError::photosDomain, 3300, "busy"});
    EXPECT_THROW(library.deleteAssets({"p0"}, {}), ServiceError);
}

TEST(Deletion, AFailureSaysWhatReachedTheTrashAndWhyTheRestStayed) {
    auto port = portWithAssets(3);
    LivePhotoLibrary library(port);
    PortError partial{"com.ambervale.keepsift.folder-library", 13, "p1 was not moved"};
    partial.deletedIdentifiers = {"p0", "p2"};
    partial.keptIdentifiers = {{"p1", KeptReason::notWritable}};
    port->failChangeBlocks(partial);
    EXPECT_EQ(library.deleteAssets({"p0", "p1", "p2"}, {}),
              (DeletionReport{{"p0", "p2"}, {{"p1", KeptReason::notWritable}}}));
    // Nothing moved, for a reason of each photograph: still an answer, not an error.
    PortError none{"com.ambervale.keepsift.folder-library", 1, "not moved"};
    none.keptIdentifiers = {{"p0", KeptReason::noPrivateTrash}};
    port->failChangeBlocks(none);
    EXPECT_EQ(library.deleteAssets({"p0"}, {}),
              (DeletionReport{{}, {{"p0", KeptReason::noPrivateTrash}}}));
}
