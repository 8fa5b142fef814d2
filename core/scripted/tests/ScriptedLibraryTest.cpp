#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "core/scripted/ScriptedLibrary.hpp"

namespace keepsift {
namespace {

using namespace std::chrono_literals;

LibraryAsset asset(std::string id, std::optional<double> created = std::nullopt) {
    LibraryAsset a;
    a.id = id;
    a.filename = id + ".jpg";
    if (created) a.createdAt = Date{*created};
    return a;
}

ScriptedLibrary library(std::vector<LibraryAsset> assets,
                        LibraryAuthorization state = LibraryAuthorization::authorized,
                        std::optional<LibraryAuthorization> answer = std::nullopt,
                        std::chrono::milliseconds delay = 0ms) {
    return ScriptedLibrary(assets, state, answer, true, LibraryStorage::local, delay);
}

std::vector<std::string> ids(const std::vector<LibraryAsset>& assets) {
    std::vector<std::string> out;
    for (const auto& a : assets)
        out.push_back(a.id);
    return out;
}

TEST(ScriptedLibrary, FirstOfTwoAssetsWithOneIdentifierWins) {
    auto first = asset("a", 1);
    auto second = asset("a", 2);
    auto lib = library({first, second});
    ASSERT_EQ(lib.assets().size(), 1u);
    EXPECT_EQ(lib.assets()[0], first);
}

TEST(ScriptedLibrary, AuthorizationAnswersDefaultByState) {
    auto undecided = library({}, LibraryAuthorization::notDetermined);
    EXPECT_EQ(undecided.requestAuthorization(), LibraryAuthorization::authorized);

    auto denied = library({}, LibraryAuthorization::denied);
    auto stream = denied.changes();
    EXPECT_EQ(denied.requestAuthorization(), LibraryAuthorization::denied);
    EXPECT_EQ(denied.authorizationRequests(), 1);
    EXPECT_EQ(stream->next(10ms),
              LibraryChange(change::AuthorizationChanged{LibraryAuthorization::denied}));

    auto told = library({}, LibraryAuthorization::notDetermined, LibraryAuthorization::limited);
    EXPECT_EQ(told.requestAuthorization(), LibraryAuthorization::limited);
    EXPECT_EQ(told.authorizationStatus(), LibraryAuthorization::limited);
}

TEST(ScriptedLibrary, FetchOrdersByDateThenIdentifierWithUndatedByIdentifier) {
    auto lib = library({asset("d", 5), asset("c", 5), asset("b", 1), asset("a"), asset("z")});
    EXPECT_EQ(ids(lib.fetchAssets()), (std::vector<std::string>{"a", "b", "c", "d", "z"}));
    auto undated = library({asset("q"), asset("p")});
    EXPECT_EQ(ids(undated.fetchAssets()), (std::vector<std::string>{"p", "q"}));
}

TEST(ScriptedLibrary, FetchNeedsReadAccessAndRefusesBeforeWaiting) {
    auto limited = library({asset("a", 1)}, LibraryAuthorization::limited);
    EXPECT_EQ(limited.fetchAssets().size(), 1u);

    auto undecided = library({asset("a", 1)}, LibraryAuthorization::notDetermined, std::nullopt,
                             std::chrono::hours(1));
    EXPECT_THROW(undecided.fetchAssets(), LibraryError);
}

TEST(ScriptedLibrary, FailingAlbumWriteIsLoggedAndChangesNothing) {
    auto lib = library({asset("a"), asset("b"), asset("c")});
    lib.setRejectionWritesFail(true);
    try {
        lib.setRejected({"a", "b", "c"}, true);
        FAIL() << "the write should fail";
    } catch (const LibraryError& error) {
        EXPECT_EQ(error, LibraryError::albumWriteIncomplete(3));
    }
    EXPECT_TRUE(lib.rejectedIDs().empty());
    ASSERT_EQ(lib.rejectionCalls().size(), 1u);

    lib.setRejectionWritesFail(false);
    lib.setRejected({"a", "unknown"}, true);
    EXPECT_EQ(lib.rejectedIDs(), (std::set<std::string>{"a"}));
}

TEST(ScriptedLibrary, WritesWithoutAccessAreRefusedUnrecorded) {
    auto lib = library({asset("a")}, LibraryAuthorization::denied);
    EXPECT_THROW(lib.setRejected({"a"}, true), LibraryError);
    EXPECT_THROW(lib.deleteAssets({"a"}, {}), LibraryError);
    EXPECT_TRUE(lib.rejectionCalls().empty());
    EXPECT_TRUE(lib.deleteCalls().empty());
}

TEST(ScriptedLibrary, DeclinedDeletionIsLoggedAndRemovesNothing) {
    auto lib = library({asset("a"), asset("b")});
    lib.setConfirmsDeletion(false);
    EXPECT_EQ(lib.deleteAssets({"a"}, {}), DeletionReport::allKept({"a"}, KeptReason::declined));
    EXPECT_EQ(lib.assets().size(), 2u);
    lib.setConfirmsDeletion(true);
    EXPECT_EQ(lib.deleteAssets({"a", "x"}, {}).deleted, (std::vector<std::string>{"a", "x"}));
    EXPECT_EQ(ids(lib.assets()), (std::vector<std::string>{"b"}));
    EXPECT_EQ(lib.deleteCalls().size(), 2u);
}

TEST(ScriptedLibrary, APhotographItKeepsStaysWithItsReason) {
    auto lib = library({asset("a"), asset("b")});
    lib.keepOnDelete("b", KeptReason::noPrivateTrash);
    const auto report = lib.deleteAssets({"a", "b"}, {});
    EXPECT_EQ(report.deleted, std::vector<std::string>{"a"});
    EXPECT_EQ(report.kept, (std::vector<KeptPhoto>{{"b", KeptReason::noPrivateTrash}}));
    EXPECT_EQ(ids(lib.assets()), (std::vector<std::string>{"b"}));
}

TEST(ScriptedLibrary, ScenarioChangesAreAnnouncedOnlyOnceAStreamExists) {
    auto lib = library({asset("a")});
    lib.add({asset("b")});
    EXPECT_EQ(lib.assets().size(), 2u);

    auto stream = lib.changes();
    lib.markRejected({"a", "unknown"}, true);
    lib.remove({"b", "ghost"});
    lib.setAuthorization(LibraryAuthorization::restricted);
    EXPECT_EQ(stream->next(10ms), LibraryChange(change::RejectsAlbumChanged{{"a", "unknown"}, {}}));
    EXPECT_EQ(stream->next(10ms), LibraryChange(change::AssetsDeleted{{"b", "ghost"}}));
    EXPECT_EQ(stream->next(10ms),
              LibraryChange(change::AuthorizationChanged{LibraryAuthorization::restricted}));
    EXPECT_EQ(lib.rejectedIDs(), (std::set<std::string>{"a"}));
}

TEST(ScriptedLibrary, NewStreamReplacesAndEndsTheEarlierOne) {
    auto lib = library({});
    auto first = lib.changes();
    auto second = lib.changes();
    lib.add({asset("a")});
    EXPECT_TRUE(first->isEnded());
    EXPECT_FALSE(first->next(10ms).has_value());
    EXPECT_TRUE(second->next(10ms).has_value());
}

TEST(ScriptedLibrary, FetchSeesChangesMadeDuringItsDelay) {
    auto lib = library({asset("a", 1)}, LibraryAuthorization::authorized, std::nullopt, 200ms);
    std::jthread adder([&] {
        std::this_thread::sleep_for(20ms);
        lib.add({asset("b", 2)});
    });
    EXPECT_EQ(ids(lib.fetchAssets()), (std::vector<std::string>{"a", "b"}));
}

} // namespace
} // namespace keepsift
