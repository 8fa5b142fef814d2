#include <algorithm>
#include <chrono>

#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

// Three bursts of a trip, hours apart, decided by Keepsift; one frame of the first kept by
// hand. "Delete all" trashes every flagged frame.
class CopiesAfterDelete : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
        const int seeds[] = {7, 11, 13};
        for (int burst = 0; burst < 3; ++burst)
            for (int frame = 0; frame < 4 - burst; ++frame) {
                const auto name =
                    "Trip03/burst" + std::to_string(burst) + "-" + std::to_string(frame) + ".jpg";
                const auto date = "2024:05:0" + std::to_string(burst + 1) + " 10:00:0" +
                                  std::to_string(2 * frame);
                fs::last_write_time(writeJpeg(name, burstFrame(frame, seeds[burst]), date),
                                    hourAgo);
            }
        startServices();
        startEngine();
        relist();
        ASSERT_TRUE(idsIn(ReviewState::pending).empty());
        const auto handKept = flagged().front();
        engine->override(handKept, true);
        const auto batch = flagged();
        ASSERT_GE(batch.size(), 3u);
        const auto report = engine->deleteBatch(std::nullopt, 0, true);
        ASSERT_EQ(report.deleted, batch);
        relist();
        for (int burst = 0; burst < 3; ++burst)
            remaining.push_back(remainingOf("Trip03/burst" + std::to_string(burst) + "-"));
    }

    // The frames of a burst still in the library, the one Keepsift kept first.
    std::vector<std::string> remainingOf(const std::string& burst) const {
        std::vector<std::string> frames;
        for (const auto& [id, entry] : engine->index().entries)
            if (id.starts_with(burst) && entry.state != ReviewState::deleted) frames.push_back(id);
        std::stable_partition(frames.begin(), frames.end(),
                              [&](const auto& id) { return stateOf(id) == ReviewState::keeper; });
        return frames;
    }

    void copy(const std::string& from, const std::string& to) {
        fs::create_directories((pictures / to).parent_path());
        fs::copy_file(pictures / from, pictures / to);
    }

    // Measured, and so decided: none waits for a decision, and each flagged one is up for
    // review, where "delete all" can reach it.
    void expectEveryMeasuredPhotographDecided(const std::vector<std::string>& copies) {
        for (const auto& id : copies) {
            ASSERT_TRUE(engine->index().entries.count(id)) << id;
            EXPECT_TRUE(engine->index().entries.at(id).signals) << id;
        }
        for (const auto& [id, entry] : engine->index().entries) {
            EXPECT_NE(entry.state, ReviewState::pending) << id << " " << toString(entry.state);
            if (isFlagged(entry.state)) {
                ASSERT_TRUE(entry.groupID) << id;
                EXPECT_EQ(engine->index().ignoredGroups.count(*entry.groupID), 0u) << id;
            }
        }
        EXPECT_EQ(linked(), flagged());
    }

    void restart() {
        quitEngine();
        startServices();
        startEngine();
        relist();
    }

    std::vector<std::vector<std::string>> remaining;
};

// Copies of the frames kept, into another folder and onto a card, and a sibling renamed.
TEST_F(CopiesAfterDelete, CopiesOfTheFramesKeptAreDecided) {
    ASSERT_EQ(remaining[0].size(), 2u);
    const std::vector<std::string> copies = {"Dups/burst0-1.jpg", "Dups/burst1-s2.jpg",
                                             "Card/burst2.jpg"};
    copy(remaining[0][0], copies[0]);
    fs::rename(pictures / remaining[0][1], pictures / "Trip03/renamed-s1.jpg");
    copy(remaining[1][0], copies[1]);
    copy(remaining[2][0], copies[2]);
    relist();
    expectEveryMeasuredPhotographDecided(copies);
    EXPECT_EQ(stateOf("Trip03/renamed-s1.jpg"), ReviewState::keptByHand);
    for (const auto& burst : remaining)
        EXPECT_EQ(stateOf(burst[0]), ReviewState::keeper) << burst[0];
    restart();
    expectEveryMeasuredPhotographDecided(copies);
}

// A whole folder copied after the delete: each copy joins the group of its original.
TEST_F(CopiesAfterDelete, AFolderCopiedAfterTheDeleteIsDecided) {
    fs::copy(pictures / "Trip03", pictures / "Z3", fs::copy_options::recursive);
    std::vector<std::string> copies;
    for (const auto& burst : remaining)
        for (const auto& id : burst)
            copies.push_back("Z3/" + fs::path(id).filename().string());
    relist();
    expectEveryMeasuredPhotographDecided(copies);
    restart();
    expectEveryMeasuredPhotographDecided(copies);
}

// Kept whole by the user: a copy joining the group is decided too.
TEST_F(CopiesAfterDelete, ACopyJoiningAGroupKeptWholeIsDecided) {
    const auto group = engine->index().entries.at(remaining[1][0]).groupID;
    ASSERT_TRUE(group);
    engine->ignore(*group);
    copy(remaining[1][0], "Dups/kept-whole.jpg");
    relist();
    expectEveryMeasuredPhotographDecided({"Dups/kept-whole.jpg"});
    EXPECT_EQ(stateOf(remaining[1][0]), ReviewState::keptByHand);
    restart();
    expectEveryMeasuredPhotographDecided({"Dups/kept-whole.jpg"});
}

} // namespace
} // namespace keepsift
