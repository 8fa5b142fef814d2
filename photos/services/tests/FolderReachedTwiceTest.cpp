#include <algorithm>
#include <mutex>

#include "core/support/Logger.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;

// How the folder Trip01 is reached a second time from inside the library, as "View".
enum class OtherName { bindMount, fuseView, folderLink };

std::string otherNameOf(const ::testing::TestParamInfo<OtherName>& info) {
    switch (info.param) {
    case OtherName::bindMount:
        return "BindMount";
    case OtherName::fuseView:
        return "FuseView";
    case OtherName::folderLink:
        return "FolderLink";
    }
    return "Unknown";
}

// Two frames of one burst in Trip01, the folder reachable again as View: the user keeps the
// first frame by hand and flags every photograph listed under View.
class FolderReachedTwice : public testing::EngineOverFolder,
                           public ::testing::WithParamInterface<OtherName> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int frame = 0; frame < 2; ++frame)
            writeJpeg("Trip01/frame-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        if (!reachAgain())
            GTEST_SKIP() << "the folder cannot be mounted again in the library here (mounting "
                            "needs root in a process of one thread, and bindfs): the case is "
                            "not tried";
        kept = bytesOf(pictures / "Trip01/frame-0.jpg");
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

    bool reachAgain() {
        const auto view = pictures / "View";
        switch (GetParam()) {
        case OtherName::bindMount:
            return mounts.bind(pictures / "Trip01", view);
        case OtherName::fuseView:
            return mounts.bindfs(pictures / "Trip01", view);
        case OtherName::folderLink:
            fs::create_directory_symlink("Trip01", view);
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
    std::vector<char> kept;
    std::mutex logged;
    std::vector<std::string> aboutView;
};

TEST_P(FolderReachedTwice, EachPhotographIsListedOnceUnderTheFoldersOwnName) {
    EXPECT_EQ(listed(), (std::vector<std::string>{"Trip01/frame-0.jpg", "Trip01/frame-1.jpg"}));
    relist();
    relist();
    EXPECT_EQ(listed().size(), 2u);
    // Said once, not at every listing; a link is never followed, so there is nothing to say.
    std::lock_guard lock(logged);
    EXPECT_EQ(aboutView.size(), GetParam() == OtherName::folderLink ? 0u : 1u);
}

TEST_P(FolderReachedTwice, DeletingAllNeverTakesTheFileKeptByHandUnderTheOtherName) {
    for (const auto& id : listed()) {
        if (id == "Trip01/frame-0.jpg") engine->override(id, true);
        if (id.starts_with("View/")) engine->override(id, false);
    }
    engine->syncRejectsAlbumIfNeeded();
    const auto flaggedBefore = flagged();
    engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_TRUE(fs::is_regular_file(pictures / "Trip01/frame-0.jpg"));
    EXPECT_EQ(bytesOf(pictures / "Trip01/frame-0.jpg"), kept);
    EXPECT_FALSE(inTrash(kept));
    quitEngine();
    startServices();
    startEngine();
    relist();
    EXPECT_EQ(stateOf("Trip01/frame-0.jpg"), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
    // What was flagged beside it went as confirmed.
    for (const auto& id : flaggedBefore)
        EXPECT_FALSE(fs::exists(pictures / id)) << id;
}

INSTANTIATE_TEST_SUITE_P(Names, FolderReachedTwice,
                         ::testing::Values(OtherName::bindMount, OtherName::fuseView,
                                           OtherName::folderLink),
                         otherNameOf);

} // namespace
} // namespace keepsift
