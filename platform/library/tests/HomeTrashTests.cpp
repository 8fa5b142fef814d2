#include "TrashDriveFixture.hpp"

namespace keepsift::foldertest {
namespace {

// The home Trash on the drive of the library, in a data folder that another local user may
// make things in (kept in a shared folder, as /tmp is). Whatever they plant there, the
// user's photograph goes to none of it, nor to a Trash at the drive's top in its place: on the
// home drive the home Trash is the only one.
class OtherUserBesideTheHomeTrash : public OtherUserOnTheDrive {
protected:
    void SetUp() override {
        OtherUserOnTheDrive::SetUp();
        if (IsSkipped()) return;
        dataHome = drive / "data";
        ASSERT_NO_FATAL_FAILURE(makeFolder(dataHome, 01777));
        ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
        homeTrash = dataHome / "Trash";
    }

    void expectKeptAtHome(const std::optional<PortError>& error, const std::string& reason) {
        expectKept(error, homeTrash.string() + reason);
        EXPECT_FALSE(fs::exists(drive / (".Trash-" + uid)));
        expectNothingHanded(theirs);
    }

    fs::path dataHome;
    fs::path homeTrash;
};

TEST_F(OtherUserBesideTheHomeTrash, TheirLinkOrFolderAtTheHomeTrashIsNeverUsed) {
    const std::string at = homeTrash.string(), theirPath = theirs.string();
    ASSERT_TRUE(plant([&] { return ::symlink(theirPath.c_str(), at.c_str()) == 0; }));
    expectKeptAtHome(deleteAsTheUser(), " is a symbolic link that belongs to another user");
    ASSERT_EQ(::unlink(at.c_str()), 0);

    ASSERT_TRUE(makeOpenFolder(homeTrash));
    expectKeptAtHome(deleteAsTheUser(), " belongs to another user");
    expectNothingHanded(homeTrash);
    ASSERT_TRUE(plant([&] { return ::chmod(at.c_str(), 0700) == 0; }));
    expectKeptAtHome(deleteAsTheUser(), " belongs to another user");
}

// The user's own Trash, where a link at "files" or "info" was left by someone who could once
// write there, or which is open to them now.
TEST_F(OtherUserBesideTheHomeTrash, TheirLinkInsideTheHomeTrashIsNeverFollowed) {
    for (const char* name : {"files", "info"}) {
        SCOPED_TRACE(name);
        for (const char* folder : {"", "/files", "/info"})
            makeFolder(homeTrash.string() + folder, 0700);
        const fs::path link = homeTrash / name;
        fs::remove(link);
        fs::create_directory_symlink(theirs / name, link);
        ASSERT_EQ(::lchown(link.c_str(), testing::otherUserId, static_cast<gid_t>(-1)), 0);
        expectKeptAtHome(deleteAsTheUser(), std::string("/") + name +
                                                " is a symbolic link that belongs to another user");
        fs::remove_all(homeTrash);
    }
    makeFolder(homeTrash, 0777);
    const std::string files = (homeTrash / "files").string(),
                      theirFiles = (theirs / "files").string();
    ASSERT_TRUE(plant([&] { return ::symlink(theirFiles.c_str(), files.c_str()) == 0; }));
    expectKeptAtHome(deleteAsTheUser(), " may be written to by other users");
}

// A data folder that is another user's is not the user's own, wherever the way to it leads.
TEST_F(OtherUserBesideTheHomeTrash, ADataFolderOfAnotherUsersIsNotTheUsersHome) {
    const fs::path theirData = drive / "theirs/share";
    ASSERT_TRUE(testing::otherUserMakesOpenFolders({theirData}));
    ::setenv("XDG_DATA_HOME", theirData.c_str(), 1);
    expectKept(deleteAsTheUser(), theirData.string() + " belongs to another user");
    EXPECT_FALSE(fs::exists(drive / (".Trash-" + uid)));
    EXPECT_TRUE(fs::is_empty(theirData));
}

// What users do themselves keeps working: a data folder that is a link to another folder of
// theirs (as a dotfiles manager keeps it), a Trash that is their own link to a folder of
// theirs, a Trash an older tool left readable (made private).
TEST_F(OtherUserBesideTheHomeTrash, TheUsersOwnLinksAreFollowedToTheirOwnFolders) {
    const fs::path kept = drive / "dotfiles/share";
    makeFolder(kept, 0700);
    const fs::path linkedHome = drive / "linked-data";
    fs::create_directory_symlink(kept, linkedHome);
    ::setenv("XDG_DATA_HOME", linkedHome.c_str(), 1);
    const std::string photo = (drive / "Photos/a.jpg").string();
    expectTrashedIn(kept / "Trash", deleteAsTheUser(), photo);

    const fs::path elsewhere = drive / "elsewhere/MyTrash";
    for (const char* folder : {"", "/files", "/info"})
        makeFolder(elsewhere.string() + folder, 0755);
    fs::create_directory_symlink(elsewhere, dataHome / "Trash");
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    expectTrashedIn(elsewhere, deleteAsTheUser(), photo);
    expectPrivate(elsewhere);
}

// A Trash the user linked to a folder on another drive is the Trash of that drive's
// photographs; those of the data folder's drive cannot reach it without a copy, and stay.
TEST_F(OtherUserBesideTheHomeTrash, ATrashTheUserKeepsOnAnotherDriveTakesThatDrivesPhotographs) {
    const fs::path other = base / "other";
    ASSERT_TRUE(mounts.tmpfs(other, 0755));
    const fs::path elsewhere = other / "MyTrash";
    makeFolder(elsewhere, 0700);
    fs::create_directory_symlink(elsewhere, homeTrash);
    const auto error = deleteAsTheUser();
    ASSERT_TRUE(error);
    EXPECT_THAT(error->keptIdentifiers,
                ::testing::ElementsAre(KeptPhoto{"a.jpg", KeptReason::trashOnAnotherDevice}));
    EXPECT_TRUE(fs::exists(drive / "Photos/a.jpg"));
    EXPECT_FALSE(fs::exists(drive / (".Trash-" + uid)));

    writeJpeg(other / "Photos/b.jpg");
    auto opts = options();
    opts.root = other / "Photos";
    auto [success, otherError] = remove(*makeLibrary(opts), {"b.jpg"});
    ASSERT_TRUE(success) << otherError->message;
    EXPECT_TRUE(fs::exists(elsewhere / "files/b.jpg"));
    EXPECT_FALSE(fs::exists(other / (".Trash-" + uid)));
}

} // namespace
} // namespace keepsift::foldertest
