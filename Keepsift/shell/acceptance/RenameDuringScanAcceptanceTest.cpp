// A folder of photographs renamed while the real binary measures it for the first time: every
// photograph ends decided at its new place, those measured before the rename too, and the
// rejects folder links the flagged ones where they are now.
#include <sstream>

#include "ApplicationFixture.hpp"

namespace keepsift::acceptance {
namespace {

constexpr int tripBursts = 40;
constexpr int framesPerBurst = 5;
const std::string tripName = "Trip";
const std::string tripRenamed = "Trip (renamed)";

class RenameDuringScan : public ApplicationAcceptance {
protected:
    void SetUp() override {
        ApplicationAcceptance::SetUp();
        if (IsSkipped()) return;
        keepOnlyReadablePhotographs();
        // Bursts an hour apart, newer than the rest of the library: measured first.
        for (int burst = 0; burst < tripBursts; ++burst)
            for (int frame = 0; frame < framesPerBurst; ++frame) {
                std::ostringstream date;
                date << "2025:06:" << (10 + burst / 10) << ' ' << (10 + burst % 10) << ":00:0"
                     << frame * 2;
                library.add(tripName + "/b" + std::to_string(burst) + "-" + std::to_string(frame) +
                                ".jpg",
                            burstFrame(20 + burst, frame), date.str());
            }
    }

    static std::size_t measuredIn(const LibraryIndex& index, const std::string& folder) {
        std::size_t measured = 0;
        for (const auto& [id, entry] : index.entries)
            measured += id.starts_with(folder + "/") && entry.signals.has_value();
        return measured;
    }

    // Every photograph of the renamed folder decided, none pending anywhere.
    static bool settled(const std::optional<LibraryIndex>& index) {
        if (!index) return false;
        std::size_t decided = 0;
        for (const auto& [id, entry] : index->entries) {
            if (entry.state == ReviewState::pending) return false;
            decided += id.starts_with(tripRenamed + "/") && entry.state != ReviewState::deleted;
        }
        return decided == tripBursts * framesPerBurst;
    }

    static std::string pendingIn(const std::optional<LibraryIndex>& index) {
        std::string pending;
        if (index)
            for (const auto& id :
                 idsIn(*index, [](ReviewState s) { return s == ReviewState::pending; }))
                pending += id + "\n";
        return pending;
    }
};

TEST_F(RenameDuringScan, EveryPhotographIsDecidedAtItsNewPlace) {
    testing::LaunchedApp app(folder.path(), library.root);
    const auto support = app.indexFolder();
    ASSERT_TRUE(testing::eventually(
        [&] {
            const auto index = readIndex(support);
            return (index && measuredIn(*index, tripName) > 0) || !app.isRunning();
        },
        acceptanceGuard()))
        << log();
    fs::rename(library.root / tripName, library.root / tripRenamed);

    std::optional<LibraryIndex> index;
    EXPECT_TRUE(testing::eventually(
        [&] {
            index = readIndex(support);
            return (settled(index) && linkedRejects() == idsIn(*index, isFlagged)) ||
                   !app.isRunning();
        },
        acceptanceGuard()))
        << "still pending:\n"
        << pendingIn(index) << log();
    ASSERT_TRUE(index);
    for (const auto& [id, entry] : index->entries) {
        if (entry.signals) {
            EXPECT_EQ(entry.signals->digest, id);
        }
    }
}

} // namespace
} // namespace keepsift::acceptance
