#include "TrashDriveFixture.hpp"

namespace keepsift::foldertest {
namespace {

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
