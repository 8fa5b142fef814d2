// A library reviewed by an earlier build, which kept no digests of the bytes nor file sizes,
// started by the real binary with new photographs to measure, and its folder of bursts renamed
// as soon as the start has saved the index: every decision by hand and the ignored group are
// at their new places once the scan settles and the quit flush has run.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <sys/stat.h>

#include "ApplicationFixture.hpp"

namespace keepsift::acceptance {
namespace {

const std::string bursts = "Bursts";
const std::string burstsRenamed = "Bursts (2024)";
const std::vector<std::string> swapped = {"Pair/p1.jpg", "Pair/p2.jpg"};
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

    // The first run: scanned, and the decisions `decide` takes from the index made by hand, the
    // album following; then quit. Where the index is kept.
    void reviewByHand(
        fs::path& support,
        const std::function<std::map<std::string, ReviewState>(const LibraryIndex&)>& decide) {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        const auto index = readIndex(support);
        ASSERT_TRUE(index);
        const auto wanted = decide(*index);
        ASSERT_FALSE(wanted.empty());
        ASSERT_TRUE(decideByHand(app, support, wanted)) << log();
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

    // Two photographs of one size, the smaller file padded after its picture's end, written at
    // modification times an hour apart.
    void addSameSizePhotographs() {
        for (int photo = 0; photo < 2; ++photo)
            library.add(swapped[photo], scene(900 + photo),
                        "2024:07:07 07:00:0" + std::to_string(photo));
        const auto size =
            std::max(library.photos.at(swapped[0]).size(), library.photos.at(swapped[1]).size());
        const auto now = fs::file_time_type::clock::now();
        for (int photo = 0; photo < 2; ++photo) {
            auto& bytes = library.photos.at(swapped[photo]);
            bytes.resize(size, '\0');
            std::ofstream(library.root / swapped[photo], std::ios::binary) << bytes;
            fs::last_write_time(library.root / swapped[photo], now - std::chrono::hours(2 - photo));
        }
    }

    void swapThem() {
        fs::rename(library.root / swapped[0], library.root / "swapping.jpg");
        fs::rename(library.root / swapped[1], library.root / swapped[0]);
        fs::rename(library.root / "swapping.jpg", library.root / swapped[1]);
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
    reviewByHand(support, burstsTurnedOver);
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

// Nothing but the files' times tells that the two swapped: the start takes neither file for
// the photograph its path held, and no hand decision lands on the other's bytes.
TEST_F(EarlierIndex, TwoPhotographsOfOneSizeSwappedWhileStoppedTakeNotEachOthersDecisions) {
    addSameSizePhotographs();
    fs::path support;
    reviewByHand(support, [](const LibraryIndex&) {
        return std::map<std::string, ReviewState>{{swapped[0], ReviewState::flaggedByHand},
                                                  {swapped[1], ReviewState::keptByHand}};
    });
    if (HasFatalFailure()) return;
    const auto byHand = writeEarlierIndex(support);
    ASSERT_EQ(byHand.count("p1.jpg") + byHand.count("p2.jpg"), 2u) << "both decided by hand";
    swapThem();

    const auto written = fileNumber(support / "library-index.json");
    testing::LaunchedApp app(folder.path(), library.root);
    std::optional<LibraryIndex> index;
    EXPECT_TRUE(testing::eventually(
        [&] {
            if (fileNumber(support / "library-index.json") == written) return !app.isRunning();
            index = readIndex(support);
            return (index && idsIn(*index, ReviewState::pending).empty() && albumFollows(*index)) ||
                   !app.isRunning();
        },
        acceptanceGuard()))
        << log();
    double seconds = 0;
    ASSERT_EQ(app.terminate(seconds), std::optional<int>(0));
    index = readIndex(support);
    ASSERT_TRUE(index);
    for (const auto& id : swapped) {
        const auto& entry = index->entries.at(id);
        EXPECT_FALSE(isSetByHand(entry.state)) << id << " took " << toString(entry.state);
    }
    EXPECT_EQ(linkedRejects(), idsIn(*index, isFlagged));
}

} // namespace
} // namespace keepsift::acceptance
