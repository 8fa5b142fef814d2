// A library reviewed by an earlier build, which kept no digests of the bytes nor file sizes,
// started by the real binary with new photographs to measure, and its folder of bursts renamed
// as soon as the start has saved the index: every decision by hand and the ignored group are
// at their new places once the scan settles and the quit flush has run.
#include <fstream>
#include <map>
#include <sys/stat.h>

#include "ApplicationFixture.hpp"

namespace keepsift::acceptance {
namespace {

const std::string bursts = "Bursts";
const std::string burstsRenamed = "Bursts (2024)";
constexpr int newPhotographs = 60;

ino_t fileNumber(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

std::string nameIn(const std::string& id) {
    return id.substr(id.find('/') + 1);
}

class EarlierIndex : public ApplicationAcceptance {
protected:
    void SetUp() override {
        ApplicationAcceptance::SetUp();
        if (IsSkipped()) return;
        keepOnlyReadablePhotographs();
    }

    // The first run: scanned, and in three bursts the keeper flagged and a flagged frame kept
    // by hand, the album following; then quit. Where the index is kept.
    void reviewByHand(fs::path& support) {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        const auto index = readIndex(support);
        ASSERT_TRUE(index);
        std::map<std::string, ReviewState> wanted;
        for (int burst = 0; burst < 3; ++burst) {
            const std::string prefix = bursts + "/b" + std::to_string(burst) + "-";
            std::string keeper, flagged;
            for (const auto& [id, entry] : index->entries) {
                if (!id.starts_with(prefix)) continue;
                if (entry.state == ReviewState::keeper && keeper.empty()) keeper = id;
                if (entry.state == ReviewState::flagged && flagged.empty()) flagged = id;
            }
            ASSERT_FALSE(keeper.empty() || flagged.empty()) << prefix;
            ASSERT_TRUE(app.send("flag " + keeper));
            ASSERT_TRUE(app.send("keep " + flagged));
            wanted[keeper] = ReviewState::flaggedByHand;
            wanted[flagged] = ReviewState::keptByHand;
        }
        ASSERT_TRUE(testing::eventually(
            [&] {
                const auto decided = readIndex(support);
                if (!decided) return false;
                for (const auto& [id, state] : wanted)
                    if (decided->entries.at(id).state != state) return false;
                return linkedRejects() == idsIn(*decided, isFlagged);
            },
            120))
            << log();
        double seconds = 0;
        ASSERT_EQ(app.terminate(seconds), std::optional<int>(0));
    }

    // The index as an earlier build kept it, with the group of the fifth burst ignored and its
    // links taken out of the album; the decisions by hand, by name within the folder.
    std::map<std::string, ReviewState> writeEarlierIndex(const fs::path& support) {
        auto index = readIndex(support);
        EXPECT_TRUE(index);
        if (!index) return {};
        const auto ignored = index->entries.at(bursts + "/b4-0.jpg").groupID;
        EXPECT_TRUE(ignored);
        if (!ignored) return {};
        index->ignoredGroups.insert(*ignored);
        std::map<std::string, ReviewState> byHand;
        for (auto& [id, entry] : index->entries) {
            entry.contentDigest.reset();
            entry.asset.fileSize = 0;
            entry.asset.file.reset();
            if (entry.groupID == ignored) {
                entry.state = ReviewState::keptByHand;
                entry.asset.isRejected = false;
                unlink(id);
            }
            if (isSetByHand(entry.state)) byHand[nameIn(id)] = entry.state;
        }
        std::ofstream(support / "library-index.json", std::ios::trunc) << index->encoded();
        return byHand;
    }

    void unlink(const std::string& id) {
        for (const auto& name : namesIn(library.root / rejects))
            if (fs::equivalent(library.root / rejects / name, library.root / id))
                fs::remove(library.root / rejects / name);
    }

    // Copied in while Keepsift was stopped: measuring them holds back every idle step.
    void addNewPhotographs() {
        for (int photo = 0; photo < newPhotographs; ++photo)
            library.add("New/n" + std::to_string(photo) + ".jpg", scene(700 + photo),
                        "2025:0" + std::to_string(1 + photo % 9) + ":0" +
                            std::to_string(1 + photo / 9) + " 12:00:00");
    }

    // Nothing pending, every photograph of the renamed folder decided, the album following.
    bool settled(const std::optional<LibraryIndex>& index) const {
        if (!index) return false;
        std::size_t decided = 0;
        for (const auto& [id, entry] : index->entries) {
            if (entry.state == ReviewState::pending) return false;
            decided += id.starts_with(burstsRenamed + "/") && entry.state != ReviewState::deleted;
        }
        return decided == 25 && albumFollows(*index);
    }

    // The album links the flagged photographs; a link to a place the folder left, which the
    // application has yet to bring along, is no answer yet.
    bool albumFollows(const LibraryIndex& index) const {
        try {
            return linkedRejects() == idsIn(index, isFlagged);
        } catch (const fs::filesystem_error&) {
            return false;
        }
    }
};

TEST_F(EarlierIndex, DecisionsByHandFollowAFolderRenamedAsTheStartSaves) {
    fs::path support;
    reviewByHand(support);
    if (HasFatalFailure()) return;
    const auto byHand = writeEarlierIndex(support);
    ASSERT_GE(byHand.size(), 6u + 1u) << "six decisions and the ignored burst";
    addNewPhotographs();

    const auto written = fileNumber(support / "library-index.json");
    testing::LaunchedApp app(folder.path(), library.root);
    ASSERT_TRUE(testing::eventually(
        [&] { return fileNumber(support / "library-index.json") != written || !app.isRunning(); },
        acceptanceGuard()))
        << log();
    fs::rename(library.root / bursts, library.root / burstsRenamed);

    std::optional<LibraryIndex> index;
    EXPECT_TRUE(testing::eventually(
        [&] { return settled(index = readIndex(support)) || !app.isRunning(); }, acceptanceGuard()))
        << log();
    double seconds = 0;
    ASSERT_EQ(app.terminate(seconds), std::optional<int>(0));
    index = readIndex(support);
    ASSERT_TRUE(index);
    int followed = 0;
    for (const auto& [name, state] : byHand) {
        const auto found = index->entries.find(burstsRenamed + "/" + name);
        const bool there = found != index->entries.end() && found->second.state == state;
        followed += there;
        EXPECT_TRUE(there) << name << " lost its " << toString(state);
    }
    EXPECT_EQ(followed, static_cast<int>(byHand.size()));
    const auto ignored = index->entries.at(burstsRenamed + "/b4-0.jpg").groupID;
    ASSERT_TRUE(ignored);
    EXPECT_TRUE(index->ignoredGroups.contains(*ignored)) << *ignored;
    EXPECT_EQ(linkedRejects(), idsIn(*index, isFlagged));
}

} // namespace
} // namespace keepsift::acceptance
