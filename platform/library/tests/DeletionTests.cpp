#include "FolderLibraryFixture.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// YYYY-MM-DDThh:mm:ss followed by a line end.
bool isLocalTimestamp(const std::string& text) {
    const std::string shape = "dddd-dd-ddTdd:dd:dd\n";
    if (text.size() < shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                            : text[i] != shape[i])
            return false;
    return true;
}

class DeletionTest : public FolderLibraryTest {};

TEST_F(DeletionTest, EveryResourceGoesToTheTrashWithItsInfoAndAlbumLinksGo) {
    writeJpeg(lib("my trip/IMG_1.JPG"));
    writeText(lib("my trip/IMG_1.CR2"), "raw");
    writeText(lib("my trip/IMG_1.xmp"), "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>");
    writeJpeg(lib("my trip/IMG_2.JPG"));
    std::filesystem::create_directories(lib("Albums/Best"));
    std::filesystem::create_symlink("../../my trip/IMG_1.JPG", lib("Albums/Best/IMG_1.JPG"));
    std::filesystem::create_symlink("../../my trip/IMG_2.JPG", lib("Albums/Best/IMG_2.JPG"));
    auto library = makeLibrary();
    addToRejects(*library, {});
    addToRejects(*library, {"my trip/IMG_1.JPG"});
    auto [success, error] = remove(*library, {"my trip/IMG_1.JPG"});
    ASSERT_TRUE(success) << error->message;
    EXPECT_THAT(confirmation->asked, ElementsAre(1u));
    EXPECT_THAT(ids(library->fetchImageAssets()), ElementsAre("my trip/IMG_2.JPG"));
    for (const char* name : {"IMG_1.JPG", "IMG_1.CR2", "IMG_1.xmp"}) {
        EXPECT_TRUE(std::filesystem::exists(trash() / "files" / name)) << name;
        std::string info = readText(trash() / "info" / (std::string(name) + ".trashinfo"));
        std::string escapedRoot = root.string();
        EXPECT_NE(info.find("[Trash Info]\nPath=" + escapedRoot + "/my%20trip/" + name + "\n"),
                  std::string::npos)
            << info;
        auto date = info.find("DeletionDate=");
        ASSERT_NE(date, std::string::npos);
        EXPECT_TRUE(isLocalTimestamp(info.substr(date + 13))) << info;
    }
    EXPECT_FALSE(std::filesystem::is_symlink(lib("Albums/Best/IMG_1.JPG")));
    EXPECT_TRUE(std::filesystem::is_symlink(lib("Albums/Best/IMG_2.JPG")));
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), IsEmpty());
}

// Photographs of a private library stay private once trashed.
TEST_F(DeletionTest, TheHomeTrashAndTheFoldersAboveItAreMadePrivate) {
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    ASSERT_TRUE(remove(*library, {"a.jpg"}).first);
    for (const auto& folder : {base / "data", trash(), trash() / "files", trash() / "info"}) {
        struct stat info {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0) << folder;
        EXPECT_EQ(info.st_mode & 07777, 0700u) << folder;
    }
}

// A kill between writing a photograph's info file and moving it leaves the info file alone
// in the Trash: moving that photograph again takes it up instead of leaving it behind.
TEST_F(DeletionTest, AnInfoFileLeftByAnInterruptedMoveOfTheSameFileIsTakenUp) {
    writeJpeg(lib("IMG_1.jpg"));
    writeJpeg(lib("other/IMG_2.jpg"));
    auto library = makeLibrary();
    const std::string orphan =
        "[Trash Info]\nPath=" + root.string() + "/IMG_1.jpg\nDeletionDate=2026-01-01T10:00:00\n";
    writeText(trash() / "info/IMG_1.jpg.trashinfo", orphan);
    // Another file's info file of that name is never touched.
    writeText(trash() / "info/IMG_2.jpg.trashinfo", "[Trash Info]\nPath=/elsewhere/IMG_2.jpg\n");
    ASSERT_TRUE(remove(*library, {"IMG_1.jpg", "other/IMG_2.jpg"}).first);
    std::vector<std::string> infos;
    for (const auto& entry : std::filesystem::directory_iterator(trash() / "info"))
        infos.push_back(entry.path().filename().string());
    EXPECT_THAT(infos, UnorderedElementsAre("IMG_1.jpg.trashinfo", "IMG_2.jpg.trashinfo",
                                            "IMG_2.2.jpg.trashinfo"));
    EXPECT_TRUE(std::filesystem::exists(trash() / "files/IMG_1.jpg"));
    EXPECT_NE(readText(trash() / "info/IMG_1.jpg.trashinfo"), orphan);
    EXPECT_TRUE(std::filesystem::exists(trash() / "files/IMG_2.2.jpg"));
}

TEST_F(DeletionTest, ASecondFileOfTheSameNameGetsAnotherTrashName) {
    writeJpeg(lib("a/IMG_1.jpg"));
    writeJpeg(lib("b/IMG_1.jpg"));
    auto library = makeLibrary();
    EXPECT_TRUE(remove(*library, {"a/IMG_1.jpg"}).first);
    EXPECT_TRUE(remove(*library, {"b/IMG_1.jpg"}).first);
    EXPECT_TRUE(std::filesystem::exists(trash() / "files/IMG_1.jpg"));
    EXPECT_TRUE(std::filesystem::exists(trash() / "files/IMG_1.2.jpg"));
    EXPECT_NE(readText(trash() / "info/IMG_1.2.jpg.trashinfo").find("/b/IMG_1.jpg"),
              std::string::npos);
}

TEST_F(DeletionTest, CancellingTheConfirmationDeletesNothing) {
    writeJpeg(lib("a.jpg"));
    confirmation->answer = false;
    auto library = makeLibrary();
    auto [success, error] = remove(*library, {"a.jpg"});
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, PortError::cancelled());
    EXPECT_TRUE(std::filesystem::exists(lib("a.jpg")));
    EXPECT_FALSE(std::filesystem::exists(trash() / "files/a.jpg"));
}

TEST_F(DeletionTest, WithoutAConfirmationDialogNothingIsDeleted) {
    writeJpeg(lib("a.jpg"));
    auto opts = options();
    opts.deletionConfirmation = nullptr;
    auto library = makeLibrary(opts);
    EXPECT_EQ(remove(*library, {"a.jpg"}).second, PortError::cancelled());
    EXPECT_TRUE(std::filesystem::exists(lib("a.jpg")));
}

TEST_F(DeletionTest, AFailedMoveIsReportedAndKeepsTheFileAndItsAlbumLinks) {
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    addToRejects(*library, {});
    addToRejects(*library, {"a.jpg"});
    fs->failRenames = true;
    auto [success, error] = remove(*library, {"a.jpg"});
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, folderLibraryErrorDomain);
    EXPECT_TRUE(std::filesystem::exists(lib("a.jpg")));
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), ElementsAre("a.jpg"));
    EXPECT_TRUE(std::filesystem::is_empty(trash() / "info"));
}

TEST_F(DeletionTest, TrashPathsArePercentEscaped) {
    EXPECT_EQ(trashPathEscaped("/home/u/Caf\xC3\xA9 100%/a#b.jpg"),
              "/home/u/Caf%C3%A9%20100%25/a%23b.jpg");
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

// A library on another filesystem than the home trash uses that filesystem's own trash.
TEST_F(DeletionTest, FilesOnAnotherMountGoToItsTopDirectoryTrash) {
    std::filesystem::path shm = "/dev/shm";
    struct stat shmInfo {
    }, homeInfo{};
    if (::stat(shm.c_str(), &shmInfo) != 0 || ::stat(base.c_str(), &homeInfo) != 0 ||
        shmInfo.st_dev == homeInfo.st_dev || ::access(shm.c_str(), W_OK) != 0)
        GTEST_SKIP() << "no writable second filesystem at /dev/shm";
    std::string pattern = (shm / "folderlib-XXXXXX").string();
    std::filesystem::path other = ::mkdtemp(pattern.data());
    std::filesystem::path topTrash = shm / (".Trash-" + std::to_string(::getuid()));
    bool trashExisted = std::filesystem::exists(topTrash);
    std::string name = other.filename().string() + ".jpg";
    writeJpeg(other / "Pictures" / name);
    auto opts = options();
    opts.root = other / "Pictures";
    auto library = makeLibrary(opts);
    auto [success, error] = remove(*library, {name});
    EXPECT_TRUE(success) << (error ? error->message : "");
    EXPECT_TRUE(std::filesystem::exists(topTrash / "files" / name));
    std::string info = readText(topTrash / "info" / (name + ".trashinfo"));
    EXPECT_NE(info.find("Path=" + other.filename().string() + "/Pictures/" + name + "\n"),
              std::string::npos)
        << info;
    std::filesystem::remove(topTrash / "files" / name);
    std::filesystem::remove(topTrash / "info" / (name + ".trashinfo"));
    if (!trashExisted) std::filesystem::remove_all(topTrash);
    std::filesystem::remove_all(other);
}

} // namespace
} // namespace keepsift::foldertest
