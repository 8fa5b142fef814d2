// Photographs the user removes by hand while the real binary runs are no longer counted to
// discard within seconds, whether the library is watched by inotify or by polling.
#include <cstdlib>

#include "ApplicationFixture.hpp"

namespace keepsift::acceptance {
namespace {

class HandRemoval : public ApplicationAcceptance, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        ApplicationAcceptance::SetUp();
        if (IsSkipped()) return;
        if (GetParam()) ::setenv("KEEPSIFT_TEST_POLLING", "1", 1);
    }
    void TearDown() override {
        ::unsetenv("KEEPSIFT_TEST_POLLING");
        ApplicationAcceptance::TearDown();
    }

    // Whether the status window counts this many photographs to discard; what it said last.
    bool counts(const testing::LaunchedApp& app, size_t flagged) {
        const auto lines = windowTexts(app);
        if (!lines) return false;
        shown_ = *lines;
        return shown_.find("status-line\t" + std::to_string(flagged) + " photos to discard") !=
               std::string::npos;
    }

    std::string shown_;
};

// A whole burst goes, right after the first pass, so that no other photograph is regrouped.
TEST_P(HandRemoval, ABurstRemovedAtOnceIsNoLongerCountedToDiscard) {
    testing::LaunchedApp app(folder.path(), library.root);
    const auto support = app.indexFolder();
    ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                    acceptanceGuard()))
        << log();
    const auto index = readIndex(support);
    ASSERT_TRUE(index);
    auto flagged = idsIn(*index, isFlagged);
    for (int frame = 0; frame < 5; ++frame) {
        const std::string id = "Bursts/b0-" + std::to_string(frame) + ".jpg";
        fs::remove(library.root / id);
        flagged.erase(id);
    }
    EXPECT_TRUE(testing::eventually([&] { return counts(app, flagged.size()) || !app.isRunning(); },
                                    acceptanceGuard()))
        << "wanted " << flagged.size() << " photos to discard\n"
        << shown_ << log();
}

INSTANTIATE_TEST_SUITE_P(WatchedByPolling, HandRemoval, ::testing::Bool());

} // namespace
} // namespace keepsift::acceptance
