#pragma once

#include "FolderLibraryFixture.hpp"
#include "PermissionsBind.hpp"
#include "PrivateMounts.hpp"
#include "platform/files/tests/OtherUser.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace keepsift::foldertest {

namespace fs = std::filesystem;

constexpr uid_t otherUser = 1002;

inline mode_t modeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

inline bool isEmptyOrMissing(const fs::path& folder) {
    std::error_code error;
    return !fs::exists(folder, error) || fs::is_empty(folder, error);
}

inline void makeFolder(const fs::path& folder, mode_t mode, uid_t owner = ::getuid()) {
    fs::create_directories(folder);
    ASSERT_EQ(::chmod(folder.c_str(), mode), 0);
    ASSERT_EQ(::chown(folder.c_str(), owner, static_cast<gid_t>(-1)), 0);
}

// A library on a shared drive of its own (a 1777 tmpfs, as /tmp or a shared volume is),
// shaped by each test as other users may have left it.
class TopTrashTest : public FolderLibraryTest {
protected:
    void SetUp() override {
        FolderLibraryTest::SetUp();
        drive = base / "drive";
        if (!mounts.tmpfs(drive, 01777)) GTEST_SKIP() << "needs root to mount a private drive";
        uid = std::to_string(::getuid());
    }
    void TearDown() override {
        mounts.unmountAll();
        FolderLibraryTest::TearDown();
    }

    // Deletes drive/Photos/a.jpg from a library reached at `at`; the error, if any.
    std::optional<PortError> deletePhoto(const fs::path& at) {
        writeJpeg(drive / "Photos/a.jpg");
        auto opts = options();
        opts.root = at;
        auto library = makeLibrary(opts);
        auto [success, error] = remove(*library, {"a.jpg"});
        EXPECT_EQ(success, !error);
        return error;
    }
    std::optional<PortError> deletePhoto() { return deletePhoto(drive / "Photos"); }

    // The photograph was not moved anywhere.
    void expectKept(const std::optional<PortError>& error, const std::string& reason) {
        ASSERT_TRUE(error);
        EXPECT_THAT(error->message, ::testing::HasSubstr("has no Trash that is private to you"));
        EXPECT_THAT(error->message, ::testing::HasSubstr(reason));
        EXPECT_THAT(error->keptIdentifiers,
                    ::testing::ElementsAre(KeptPhoto{"a.jpg", KeptReason::noPrivateTrash}));
        EXPECT_TRUE(fs::exists(drive / "Photos/a.jpg"));
    }
    void expectTrashedIn(const fs::path& trash, const std::optional<PortError>& error,
                         const std::string& pathInInfo = "Photos/a.jpg") {
        ASSERT_FALSE(error) << error->message;
        EXPECT_FALSE(fs::exists(drive / "Photos/a.jpg"));
        EXPECT_TRUE(fs::exists(trash / "files/a.jpg"));
        EXPECT_THAT(readText(trash / "info/a.jpg.trashinfo"),
                    ::testing::HasSubstr("\nPath=" + pathInInfo + "\n"));
        for (const fs::path& folder : {trash, trash / "files", trash / "info"})
            EXPECT_EQ(modeOf(folder), 0700u) << folder;
    }

    PrivateMounts mounts;
    fs::path drive;
    std::string uid;
};

// Another local user who shares the drive plants what the freedesktop.org Trash specification
// warns of, before the user's first delete there; every plant is made by that user's own
// process. The user's photograph never reaches anything of theirs, nothing of it or of its
// Trash entry is readable by them, and no photograph is copied in place of a move.
class OtherUserOnTheDrive : public TopTrashTest {
protected:
    void SetUp() override {
        TopTrashTest::SetUp();
        if (IsSkipped()) return;
        if (!testing::asOtherUser([] { return true; }))
            GTEST_SKIP() << "needs root to start another user's process";
        // Only the drive's own folders keep them out.
        ASSERT_EQ(::chmod(base.c_str(), 0711), 0);
        theirs = drive / "theirs";
        ASSERT_TRUE(makeOpenFolder(theirs));
    }

    // Made by the other user as an open folder with open "files" and "info" folders.
    static bool makeOpenFolder(const fs::path& folder) {
        return testing::otherUserMakesOpenFolders({folder, folder / "files", folder / "info"});
    }
    static bool plant(const std::function<bool()>& act) {
        return testing::asOtherUser(act).value_or(false);
    }

    std::optional<PortError> deleteAsTheUser() {
        PermissionsBind bind;
        return deletePhoto();
    }
    // Nothing of the photograph went to a folder of theirs or, copied, to the home Trash.
    void expectNothingHanded(const fs::path& folder) {
        EXPECT_TRUE(isEmptyOrMissing(folder / "files")) << folder;
        EXPECT_TRUE(isEmptyOrMissing(folder / "info")) << folder;
        EXPECT_TRUE(isEmptyOrMissing(defaultHomeTrash() / "files"));
    }
    // The other user can neither look into the Trash nor read or change what went there.
    void expectPrivate(const fs::path& trash) {
        for (const fs::path& path : {trash, trash / "files", trash / "info", trash / "files/a.jpg",
                                     trash / "info/a.jpg.trashinfo"})
            EXPECT_EQ(testing::whatOtherUserCan(path), "") << path;
    }

    fs::path theirs;
};

} // namespace keepsift::foldertest
