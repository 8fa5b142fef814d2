#include <algorithm>
#include <mutex>

#include "core/support/Logger.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;

// How the folder of the photographs is reached a second time from inside the library, as
// "View": Trip01 mounted again, seen through FUSE or linked to, or the folder DCIM of a card
// mounted in the library, mounted again.
enum class OtherName { bindMount, fuseView, folderLink, cardFolderBindMount };

std::string otherNameOf(const ::testing::TestParamInfo<OtherName>& info) {
    switch (info.param) {
    case OtherName::bindMount:
        return "BindMount";
    case OtherName::fuseView:
        return "FuseView";
    case OtherName::folderLink:
        return "FolderLink";
    case OtherName::cardFolderBindMount:
        return "CardFolderBindMount";
    }
    return "Unknown";
}

// Two frames of one burst in a folder reachable again as View: the user keeps the first frame
// by hand and flags every photograph listed under View.
class FolderReachedTwice : public testing::EngineOverFolder,
                           public ::testing::WithParamInterface<OtherName> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        const bool onCard = GetParam() == OtherName::cardFolderBindMount;
        home = onCard ? "Card/DCIM" : "Trip01";
        if (onCard && !mounts.tmpfs(pictures / "Card", 0755)) skipUnmounted();
        if (IsSkipped()) return;
        for (int frame = 0; frame < 2; ++frame)
            writeJpeg(frameOf(frame), burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        if (!reachAgain()) skipUnmounted();
        if (IsSkipped()) return;
        kept = bytesOf(pictures / frameOf(0));
        Logger::setSinkForTesting([this](const LogRecord& record) {
            std::lock_guard lock(logged);
            if (record.message.find(pictures.string() + "/View") != std::string::npos)
                aboutView.push_back(record.message);
        });
        startServices();
        startEngine();
        relist();
    }

    void TearDown() override {
        Logger::setSinkForTesting({});
        engine.reset();
        services = {};
        mounts.unmountAll();
        LiveHome::TearDown();
    }

    void skipUnmounted() {
        GTEST_SKIP() << "the folder cannot be mounted again in the library here (mounting needs "
                        "root in a process of one thread, and bindfs): the case is not tried";
    }

    std::string frameOf(int frame) const {
        return home + "/frame-" + std::to_string(frame) + ".jpg";
    }

    bool reachAgain() {
        const auto view = pictures / "View";
        switch (GetParam()) {
        case OtherName::bindMount:
        case OtherName::cardFolderBindMount:
            return mounts.bind(pictures / home, view);
        case OtherName::fuseView:
            return mounts.bindfs(pictures / home, view);
        case OtherName::folderLink:
            fs::create_directory_symlink(home, view);
            return true;
        }
        return false;
    }

    std::vector<std::string> listed() const {
        std::vector<std::string> ids;
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.state != ReviewState::deleted) ids.push_back(id);
        return ids;
    }

    bool inTrash(const std::vector<char>& bytes) const {
        const auto trash = trashed();
        return std::count(trash.begin(), trash.end(), bytes) > 0;
    }

    foldertest::PrivateMounts mounts;
    std::string home;
    std::vector<char> kept;
    std::mutex logged;
    std::vector<std::string> aboutView;
};

TEST_P(FolderReachedTwice, EachPhotographIsListedOnceUnderTheFoldersOwnName) {
    EXPECT_EQ(listed(), (std::vector<std::string>{frameOf(0), frameOf(1)}));
    relist();
    relist();
    EXPECT_EQ(listed().size(), 2u);
    // Said once, not at every listing; a link is never followed, so there is nothing to say.
    std::lock_guard lock(logged);
    EXPECT_EQ(aboutView.size(), GetParam() == OtherName::folderLink ? 0u : 1u);
}

TEST_P(FolderReachedTwice, DeletingAllNeverTakesTheFileKeptByHandUnderTheOtherName) {
    for (const auto& id : listed()) {
        if (id == frameOf(0)) engine->override(id, true);
        if (id.starts_with("View/")) engine->override(id, false);
    }
    engine->syncRejectsAlbumIfNeeded();
    const auto flaggedBefore = flagged();
    engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_TRUE(fs::is_regular_file(pictures / frameOf(0)));
    EXPECT_EQ(bytesOf(pictures / frameOf(0)), kept);
    EXPECT_FALSE(inTrash(kept));
    quitEngine();
    startServices();
    startEngine();
    relist();
    EXPECT_EQ(stateOf(frameOf(0)), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
    // What was flagged beside it went as confirmed.
    for (const auto& id : flaggedBefore)
        EXPECT_FALSE(fs::exists(pictures / id)) << id;
}

// A burst in Trip01 and an exact copy of its first frame in Copies, both on a card mounted in
// the library (its Trash is then on the card, at the top of each file's mount), all listed:
// the user keeps the first frame by hand and flags its copy. Before the delete, Copies may
// become a second name of Trip01 (mounted over it) or the copy a hard link of the kept file.
class SecondNameBeforeTheDelete : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        if (!mounts.tmpfs(pictures / "Card", 0755))
            GTEST_SKIP() << "mounting needs root in a process of one thread: the case is not "
                            "tried";
        for (int frame = 0; frame < 2; ++frame)
            writeJpeg("Card/Trip01/frame-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        kept = bytesOf(pictures / keptName);
    }

    void TearDown() override {
        engine.reset();
        services = {};
        mounts.unmountAll();
        LiveHome::TearDown();
    }

    void reviewByHand() {
        startServices();
        startEngine();
        relist();
        ASSERT_EQ(stateOf(copyName), ReviewState::flagged);
        engine->override(keptName, true);
        engine->override(copyName, false);
        engine->syncRejectsAlbumIfNeeded();
    }

    // In the home Trash or in one on the card, wherever a mount's top put it.
    bool inTrash(const std::vector<char>& bytes) const {
        auto trash = trashed();
        for (const auto& file : fs::recursive_directory_iterator(pictures / "Card"))
            if (file.is_regular_file() &&
                file.path().string().find("/.Trash-") != std::string::npos)
                trash.push_back(bytesOf(file.path()));
        return std::count(trash.begin(), trash.end(), bytes) > 0;
    }

    static constexpr const char* keptName = "Card/Trip01/frame-0.jpg";
    static constexpr const char* copyName = "Card/Copies/frame-0.jpg";
    foldertest::PrivateMounts mounts;
    std::vector<char> kept;
};

TEST_F(SecondNameBeforeTheDelete, AFolderMountedOverAListedOneNeverLetsTheDeleteTakeTheKeptFile) {
    fs::create_directories(pictures / "Card/Copies");
    fs::copy_file(pictures / keptName, pictures / copyName);
    reviewByHand();
    ASSERT_TRUE(mounts.bind(pictures / "Card/Trip01", pictures / "Card/Copies"));
    std::vector<std::string> refusals;
    Logger::setSinkForTesting([&](const LogRecord& record) {
        if (record.message.find("one folder reached by two names") != std::string::npos)
            refusals.push_back(record.message);
    });
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    Logger::setSinkForTesting({});
    ASSERT_TRUE(fs::is_regular_file(pictures / keptName));
    EXPECT_EQ(bytesOf(pictures / keptName), kept);
    EXPECT_FALSE(inTrash(kept));
    EXPECT_EQ(report.kept, DeletionReport::allKept({copyName}, KeptReason::failed).kept);
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_NE(refusals.front().find((pictures / keptName).string()), std::string::npos);
    ASSERT_EQ(::umount2((pictures / "Card/Copies").c_str(), MNT_DETACH), 0);
    quitEngine();
    startServices();
    startEngine();
    relist();
    EXPECT_EQ(stateOf(keptName), ReviewState::keptByHand);
    EXPECT_EQ(stateOf(copyName), ReviewState::flaggedByHand);
}

TEST_F(SecondNameBeforeTheDelete, AHardLinkOfTheKeptFileGoesAndTheKeptFileStays) {
    fs::create_directories(pictures / "Card/Copies");
    fs::create_hard_link(pictures / keptName, pictures / copyName);
    reviewByHand();
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), copyName), 1);
    EXPECT_FALSE(fs::exists(pictures / copyName));
    EXPECT_EQ(bytesOf(pictures / keptName), kept);
    EXPECT_TRUE(inTrash(kept));
}

// An index of a build that listed both names of Trip01, mounted again as View, holds a
// decision by hand on a name under View. The first listing lists Trip01 alone: a keep by hand
// is that of the photograph, whose file Trip01 names too (one number on one drive, one digest).
class EarlierIndexWithASecondName : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int frame = 0; frame < 2; ++frame)
            writeJpeg("Trip01/frame-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        if (!mounts.bind(pictures / "Trip01", pictures / "View"))
            GTEST_SKIP() << "mounting needs root in a process of one thread: the case is not "
                            "tried";
        startServices();
        startEngine();
        relist();
        ASSERT_EQ(flagged().size(), 1u);
        flaggedFrame = flagged().front();
        keeperFrame =
            flaggedFrame == "Trip01/frame-0.jpg" ? "Trip01/frame-1.jpg" : "Trip01/frame-0.jpg";
    }

    void TearDown() override {
        engine.reset();
        services = {};
        mounts.unmountAll();
        LiveHome::TearDown();
    }

    static std::string viewNameOf(const std::string& id) { return "View/" + id.substr(7); }

    // The earlier build's index: the photograph's entry under View too, decided by hand.
    void decidedUnderView(const std::string& id, ReviewState state) {
        engine->updateIndex([&](LibraryIndex& index) {
            IndexEntry entry = index.entries.at(id);
            entry.asset.id = viewNameOf(id);
            entry.state = state;
            index.stampReview(entry);
            index.entries.insert_or_assign(entry.asset.id, std::move(entry));
        });
        ASSERT_TRUE(engine->save());
    }

    void startAgain() {
        quitEngine();
        startServices();
        startEngine();
        relist();
    }

    foldertest::PrivateMounts mounts;
    std::string flaggedFrame, keeperFrame;
};

TEST_F(EarlierIndexWithASecondName, AKeepByHandUnderTheViewKeepsThePhotograph) {
    decidedUnderView(flaggedFrame, ReviewState::keptByHand);
    startAgain();
    EXPECT_EQ(stateOf(flaggedFrame), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
    startAgain();
    EXPECT_EQ(stateOf(flaggedFrame), ReviewState::keptByHand);
}

TEST_F(EarlierIndexWithASecondName, AKeepByHandWinsOverAFlagByHandOnTheSameFile) {
    engine->override(flaggedFrame, false);
    engine->syncRejectsAlbumIfNeeded();
    decidedUnderView(flaggedFrame, ReviewState::keptByHand);
    startAgain();
    EXPECT_EQ(stateOf(flaggedFrame), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
}

// Where a de-duplication tool linked a flagged copy to the kept one, the index sees the same;
// a flag passed there could land on the last copy of the picture.
TEST_F(EarlierIndexWithASecondName, AFlagByHandUnderTheViewLeavesTheListedNamesReview) {
    decidedUnderView(keeperFrame, ReviewState::flaggedByHand);
    startAgain();
    EXPECT_EQ(stateOf(keeperFrame), ReviewState::keeper);
    EXPECT_EQ(linked(), flagged());
}

TEST_F(EarlierIndexWithASecondName, AFlagByHandUnderTheViewLeavesAKeepByHandAlone) {
    engine->override(keeperFrame, true);
    decidedUnderView(keeperFrame, ReviewState::flaggedByHand);
    startAgain();
    EXPECT_EQ(stateOf(keeperFrame), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
}

INSTANTIATE_TEST_SUITE_P(Names, FolderReachedTwice,
                         ::testing::Values(OtherName::bindMount, OtherName::fuseView,
                                           OtherName::folderLink, OtherName::cardFolderBindMount),
                         otherNameOf);

} // namespace
} // namespace keepsift
