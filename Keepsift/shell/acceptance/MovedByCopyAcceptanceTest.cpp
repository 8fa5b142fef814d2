// A folder of decisions by hand moved as a file manager moves it to another drive: copied, the
// copy listed by the running application, which is then killed (kill -9) before the original
// is removed; started again, every decision by hand is at its copy, one to one, and the album
// links the copies flagged by hand.
#include <chrono>

#include "ApplicationFixture.hpp"

namespace keepsift::acceptance {
namespace {

const std::string burstsCopied = "Bursts";
const std::string movedTo = "Moved/Bursts";

// Copied as `cp -a` copies: the same bytes and modification times.
void copyKeepingTimes(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy(from, to, fs::copy_options::recursive);
    for (const auto& file : fs::recursive_directory_iterator(from))
        fs::last_write_time(to / fs::relative(file.path(), from), fs::last_write_time(file.path()));
}

std::string copyOf(const std::string& id) {
    return "Moved/" + id;
}

// What the rule that passes a review on reads of each photograph decided by hand and of its
// copy, as the index holds them: said when the decisions did not follow.
std::string stampsOf(const std::optional<LibraryIndex>& index,
                     const std::map<std::string, ReviewState>& byHand) {
    if (!index) return "no index\n";
    std::string text = "listings " + std::to_string(index->listings) + "\n";
    const auto describe = [&](const std::string& id) {
        const auto found = index->entries.find(id);
        if (found == index->entries.end()) return id + ": none";
        const IndexEntry& e = found->second;
        return id + ": " + std::string(toString(e.state)) + " first " +
               std::to_string(e.firstListing) + " review " + std::to_string(e.reviewListing) +
               (e.contentDigest ? " digest" : " no digest") +
               (e.formerState ? " was " + std::string(toString(*e.formerState)) : "");
    };
    for (const auto& [id, state] : byHand)
        text += describe(id) + "; " + describe(copyOf(id)) + "\n";
    return text;
}

class MovedByCopy : public ApplicationAcceptance {
protected:
    void SetUp() override {
        ApplicationAcceptance::SetUp();
        if (IsSkipped()) return;
        keepOnlyReadablePhotographs();
    }

    // Every decision by hand at the copy of its photograph, and the album linking the flagged.
    bool followed(const std::optional<LibraryIndex>& index,
                  const std::map<std::string, ReviewState>& byHand) const {
        if (!index) return false;
        for (const auto& [id, state] : byHand) {
            const auto found = index->entries.find(copyOf(id));
            if (found == index->entries.end() || found->second.state != state) return false;
        }
        try {
            return linkedRejects() == idsIn(*index, isFlagged);
        } catch (const fs::filesystem_error&) {
            return false;
        }
    }
};

TEST_F(MovedByCopy, DecisionsByHandFollowAFolderCopiedThenRemovedAcrossAKill) {
    fs::path support;
    std::map<std::string, ReviewState> byHand;
    std::string killedWith;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        const auto index = readIndex(support);
        ASSERT_TRUE(index);
        byHand = burstsTurnedOver(*index);
        ASSERT_EQ(byHand.size(), 6u);
        ASSERT_TRUE(decideByHand(app, support, byHand)) << log();
        copyKeepingTimes(library.root / burstsCopied, library.root / movedTo);
        // Listed, measured and saved: the copies are photographs of their own.
        ASSERT_TRUE(testing::eventually(
            [&] {
                const auto listed = readIndex(support);
                if (!listed) return false;
                for (const auto& [id, state] : byHand) {
                    const auto copy = listed->entries.find(copyOf(id));
                    if (copy == listed->entries.end() || copy->second.state == ReviewState::pending)
                        return false;
                }
                return true;
            },
            acceptanceGuard()))
            << log();
        killedWith = stampsOf(readIndex(support), byHand);
        double seconds = 0;
        app.terminate(seconds, SIGKILL);
    }
    fs::remove_all(library.root / burstsCopied);

    testing::LaunchedApp app(folder.path(), library.root);
    std::optional<LibraryIndex> index;
    EXPECT_TRUE(testing::eventually(
        [&] { return followed(index = readIndex(support), byHand) || !app.isRunning(); },
        acceptanceGuard() / 4))
        << log();
    double seconds = 0;
    ASSERT_EQ(app.terminate(seconds), std::optional<int>(0));
    index = readIndex(support);
    ASSERT_TRUE(index);
    int followedCount = 0;
    for (const auto& [id, state] : byHand) {
        const auto found = index->entries.find(copyOf(id));
        followedCount += found != index->entries.end() && found->second.state == state;
    }
    std::string states;
    for (const auto& [id, state] : byHand) {
        const auto copy = index->entries.find(copyOf(id));
        states +=
            copyOf(id) + ": " +
            std::string(copy == index->entries.end() ? "missing" : toString(copy->second.state)) +
            ", wanted " + std::string(toString(state)) + "\n";
    }
    EXPECT_EQ(followedCount, 6) << "of the six decisions by hand at their copies\n"
                                << states << "saved when killed:\n"
                                << killedWith << "saved at the end:\n"
                                << stampsOf(index, byHand);
    EXPECT_EQ(linkedRejects(), idsIn(*index, isFlagged));
}

} // namespace
} // namespace keepsift::acceptance
