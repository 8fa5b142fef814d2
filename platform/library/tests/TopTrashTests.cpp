#include "FolderLibraryFixture.hpp"
#include "PermissionsBind.hpp"
#include "PrivateMounts.hpp"
#include "platform/files/tests/OtherUser.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace keepsift::foldertest {
namespace {

namespace fs = std::filesystem;

constexpr uid_t otherUser = 1002;

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

bool isEmptyOrMissing(const fs::path& folder) {
    std::error_code error;
    return !fs::exists(folder, error) || fs::is_empty(folder, error);
}

void makeFolder(const fs::path& folder, mode_t mode, uid_t owner = ::getuid()) {
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

TEST_F(TopTrashTest, ATrashThatIsMissingIsMadePrivateAndAnOwnReadableOneIsMadePrivate) {
    expectTrashedIn(drive / (".Trash-" + uid), deletePhoto());
    fs::remove_all(drive / (".Trash-" + uid));
    for (const char* name : {"", "/files", "/info"})
        makeFolder(drive / (".Trash-" + uid + name), 0755);
    expectTrashedIn(drive / (".Trash-" + uid), deletePhoto());
}

TEST_F(TopTrashTest, ATrashAnotherUserOwnsOrMayWriteIsNeverUsed) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to make another user's folder";
    fs::path trash = drive / (".Trash-" + uid);
    struct Case {
        uid_t owner;
        mode_t mode;
        const char* reason;
    };
    for (Case shape : {Case{otherUser, 0777, "belongs to another user"},
                       Case{otherUser, 0700, "belongs to another user"},
                       Case{::getuid(), 0777, "may be written to by other users"},
                       Case{::getuid(), 0770, "may be written to by other users"}}) {
        for (const char* name : {"/files", "/info", ""})
            makeFolder(trash.string() + name, shape.mode, shape.owner);
        expectKept(deletePhoto(), trash.string() + " " + shape.reason);
        EXPECT_TRUE(isEmptyOrMissing(trash / "files")) << shape.reason;
        EXPECT_TRUE(isEmptyOrMissing(trash / "info")) << shape.reason;
        fs::remove_all(trash);
    }
}

TEST_F(TopTrashTest, ADriveWhoseTopMayNotBeWrittenHasNoTrashForUs) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to give the drive to another user";
    fs::create_directories(drive / "Photos");
    ASSERT_EQ(::chown(drive.c_str(), otherUser, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(::chmod(drive.c_str(), 0755), 0);
    std::optional<PortError> error;
    {
        PermissionsBind bind;
        error = deletePhoto();
    }
    expectKept(error, "no Trash can be made at " + drive.string());
    EXPECT_FALSE(fs::exists(drive / (".Trash-" + uid)));
}

TEST_F(TopTrashTest, LinksAtOrInsideTheTrashAreNeverFollowed) {
    fs::path trash = drive / (".Trash-" + uid);
    fs::path elsewhere = drive / "elsewhere";
    for (const char* name : {"", "/files", "/info"})
        makeFolder(elsewhere.string() + name, 0700);
    fs::create_directory_symlink(elsewhere, trash);
    expectKept(deletePhoto(), trash.string() + " is a symbolic link or not a folder");
    fs::remove(trash);
    makeFolder(trash / "info", 0700);
    fs::create_directory_symlink(elsewhere / "files", trash / "files");
    expectKept(deletePhoto(), trash.string() + "/files is a symbolic link or not a folder");
    EXPECT_TRUE(fs::is_empty(elsewhere / "files"));
    EXPECT_TRUE(fs::is_empty(elsewhere / "info"));
}

TEST_F(TopTrashTest, TheSharedTrashIsUsedOnlyWhenItIsARealStickyFolder) {
    fs::path shared = drive / ".Trash";
    makeFolder(shared, 01777);
    expectTrashedIn(shared / uid, deletePhoto());
    fs::remove_all(shared);

    makeFolder(shared, 0777);
    expectTrashedIn(drive / (".Trash-" + uid), deletePhoto());
    EXPECT_TRUE(fs::is_empty(shared));
    fs::remove_all(shared);
    fs::remove_all(drive / (".Trash-" + uid));

    makeFolder(drive / "sticky", 01777);
    fs::create_directory_symlink(drive / "sticky", shared);
    expectTrashedIn(drive / (".Trash-" + uid), deletePhoto());
    EXPECT_TRUE(fs::is_empty(drive / "sticky"));
}

TEST_F(TopTrashTest, ASharedTrashFolderAnotherUserMadeForUsIsPassedOver) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to make another user's folder";
    makeFolder(drive / ".Trash", 01777);
    makeFolder(drive / ".Trash" / uid, 0777, otherUser);
    expectTrashedIn(drive / (".Trash-" + uid), deletePhoto());
    EXPECT_TRUE(fs::is_empty(drive / ".Trash" / uid));
}

// A library reached through a link onto another drive trashes at that drive's top, as every
// desktop looks for it there.
TEST_F(TopTrashTest, ALibraryReachedThroughALinkTrashesAtTheTopOfItsRealDrive) {
    fs::path link = base / "MyPictures";
    fs::create_directory_symlink(drive / "Photos", link);
    expectTrashedIn(drive / (".Trash-" + uid), deletePhoto(link));
    EXPECT_FALSE(fs::exists(drive / "Photos" / (".Trash-" + uid)));
    EXPECT_FALSE(fs::exists(link / (".Trash-" + uid)));
}

// A rename never crosses a mount, bind mounts included: the Trash is at the top of the
// mount the library is reached through.
TEST_F(TopTrashTest, ABindMountedLibraryTrashesAtItsOwnMountPoint) {
    fs::create_directories(drive / "card/Photos");
    fs::path bound = drive / "bound";
    ASSERT_TRUE(mounts.bind(drive / "card", bound));
    writeJpeg(bound / "Photos/b.jpg");
    auto opts = options();
    opts.root = bound / "Photos";
    auto library = makeLibrary(opts);
    auto [success, error] = remove(*library, {"b.jpg"});
    ASSERT_TRUE(success) << error->message;
    EXPECT_TRUE(fs::exists(bound / (".Trash-" + uid) / "files/b.jpg"));
    EXPECT_THAT(readText(bound / (".Trash-" + uid) / "info/b.jpg.trashinfo"),
                ::testing::HasSubstr("\nPath=Photos/b.jpg\n"));
}

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
        EXPECT_TRUE(isEmptyOrMissing(base / "data/Trash/files"));
    }
    // The other user can neither look into the Trash nor read or change what went there.
    void expectPrivate(const fs::path& trash) {
        for (const fs::path& path : {trash, trash / "files", trash / "info", trash / "files/a.jpg",
                                     trash / "info/a.jpg.trashinfo"})
            EXPECT_EQ(testing::whatOtherUserCan(path), "") << path;
    }

    fs::path theirs;
};

TEST_F(OtherUserOnTheDrive, TheirFolderOrLinkAtTheUsersTrashNameIsNeverUsed) {
    const fs::path trash = drive / (".Trash-" + uid);
    ASSERT_TRUE(plant([&] { return ::symlink(theirs.c_str(), trash.c_str()) == 0; }));
    expectKept(deleteAsTheUser(), trash.string() + " is a symbolic link or not a folder");
    expectNothingHanded(theirs);
    ASSERT_EQ(::unlink(trash.c_str()), 0);

    ASSERT_TRUE(makeOpenFolder(trash));
    expectKept(deleteAsTheUser(), trash.string() + " belongs to another user");
    expectNothingHanded(trash);
    ASSERT_TRUE(plant([&] { return ::chmod(trash.c_str(), 0700) == 0; }));
    expectKept(deleteAsTheUser(), trash.string() + " belongs to another user");
    expectNothingHanded(trash);
}

// The user's own Trash folder, left open to everyone by an older tool, where the other user
// planted links at the names the next delete takes.
TEST_F(OtherUserOnTheDrive, AnOpenTrashOfTheUsersWithTheirLinksInsideIsNeverUsed) {
    const fs::path trash = drive / (".Trash-" + uid);
    for (const char* name : {"", "/files", "/info"})
        makeFolder(trash.string() + name, 0777);
    const fs::path bait = theirs / "files/bait";
    const fs::path info = trash / "info/a.jpg.trashinfo", file = trash / "files/a.jpg";
    const fs::path theirInfo = theirs / "info";
    ASSERT_TRUE(plant([&] {
        const int fd = ::open(bait.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        return fd >= 0 && ::fchmod(fd, 0666) == 0 && ::close(fd) == 0 &&
               ::symlink(bait.c_str(), info.c_str()) == 0 &&
               ::symlink(theirInfo.c_str(), file.c_str()) == 0;
    }));
    expectKept(deleteAsTheUser(), trash.string() + " may be written to by other users");
    EXPECT_EQ(fs::file_size(bait), 0u);
    EXPECT_TRUE(isEmptyOrMissing(theirs / "info"));
}

// An info file's name already taken by a link (left by someone who could once write there):
// the entry takes the next free name and nothing is written through the link.
TEST_F(OtherUserOnTheDrive, ALinkAtTheInfoNameIsNeverWrittenThrough) {
    const fs::path trash = drive / (".Trash-" + uid);
    for (const char* name : {"", "/files", "/info"})
        makeFolder(trash.string() + name, 0700);
    const fs::path bait = theirs / "files/bait";
    ASSERT_TRUE(plant([&] {
        const int fd = ::open(bait.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        return fd >= 0 && ::fchmod(fd, 0666) == 0 && ::close(fd) == 0;
    }));
    fs::create_symlink(bait, trash / "info/a.jpg.trashinfo");
    ASSERT_EQ(::lchown((trash / "info/a.jpg.trashinfo").c_str(), testing::otherUserId,
                       static_cast<gid_t>(-1)),
              0);
    ASSERT_FALSE(deleteAsTheUser());
    EXPECT_EQ(fs::file_size(bait), 0u);
    EXPECT_TRUE(fs::exists(trash / "files/a.2.jpg"));
    EXPECT_THAT(readText(trash / "info/a.2.jpg.trashinfo"),
                ::testing::HasSubstr("\nPath=Photos/a.jpg\n"));
    for (const fs::path& path : {trash / "files/a.2.jpg", trash / "info/a.2.jpg.trashinfo"})
        EXPECT_EQ(testing::whatOtherUserCan(path), "") << path;
}

TEST_F(OtherUserOnTheDrive, TheirSharedTrashOrTheirFolderInItIsPassedOverForAPrivateOne) {
    const fs::path shared = drive / ".Trash";
    const fs::path own = drive / (".Trash-" + uid);
    struct Case {
        const char* shape;
        mode_t sharedMode;
        std::function<bool()> plantUsersFolder;
        fs::path expectedTrash;
    };
    const fs::path usersFolder = shared / uid;
    const std::string usersPath = usersFolder.string(), theirPath = theirs.string();
    const std::vector<Case> cases = {
        {"not sticky, their folder for the user", 0777, [&] { return makeOpenFolder(usersFolder); },
         own},
        {"sticky, their folder for the user", 01777, [&] { return makeOpenFolder(usersFolder); },
         own},
        {"sticky, their link for the user", 01777,
         [&] {
             return plant([&] { return ::symlink(theirPath.c_str(), usersPath.c_str()) == 0; });
         },
         own},
        {"sticky, theirs, nothing for the user yet", 01777, [] { return true; }, usersFolder},
    };
    const std::string sharedPath = shared.string();
    for (const Case& shape : cases) {
        SCOPED_TRACE(shape.shape);
        ASSERT_TRUE(plant([&] {
            return ::mkdir(sharedPath.c_str(), 0700) == 0 &&
                   ::chmod(sharedPath.c_str(), shape.sharedMode) == 0;
        }));
        ASSERT_TRUE(shape.plantUsersFolder());
        expectTrashedIn(shape.expectedTrash, deleteAsTheUser());
        expectPrivate(shape.expectedTrash);
        expectNothingHanded(theirs);
        if (shape.expectedTrash == own) expectNothingHanded(usersFolder);
        fs::remove_all(shared);
        fs::remove_all(own);
    }
}

} // namespace
} // namespace keepsift::foldertest
