#include "FolderLibraryFixture.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PermissionsBind.hpp"
#include "platform/imaging/Sha256.hpp"
#include "platform/library/ProvingStamp.hpp"
#include "platform/library/TrashMover.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class DeletionSafetyTest : public FolderLibraryTest {
protected:
    void measure(PhotoLibraryPort& library, const std::string& id) {
        auto assets = library.fetchAssetsWithLocalIdentifiers({id});
        ASSERT_EQ(assets.size(), 1u);
        bool read = false;
        library.requestImageData(
            assets[0], {}, [&](auto data, auto, int, PortImageInfo) { read = data.has_value(); });
        ASSERT_TRUE(read);
    }
    // Another picture written over the file, as an editor saving in place would, within
    // the same second: nothing the engine compares shows the change.
    void overwrite(const std::string& relative) {
        struct stat before {};
        ::stat(lib(relative).c_str(), &before);
        writeJpeg(lib("other.tmp"), jpeg().size(16, 8).rated(5));
        timespec times[2] = {{0, UTIME_OMIT}, {before.st_mtim.tv_sec, 999}};
        ::utimensat(AT_FDCWD, lib("other.tmp").c_str(), times, 0);
        std::filesystem::rename(lib("other.tmp"), lib(relative));
    }
    // Two different pictures, listed.
    std::unique_ptr<FolderPhotoLibrary> twoListed() {
        writeJpeg(lib("a.jpg"));
        writeJpeg(lib("b.jpg"), jpeg().rated(2));
        auto library = makeLibrary();
        library->fetchImageAssets();
        return library;
    }
    std::unique_ptr<FolderPhotoLibrary> twoMeasured() {
        writeJpeg(lib("a.jpg"));
        writeJpeg(lib("b.jpg"));
        auto library = makeLibrary();
        library->fetchImageAssets();
        measure(*library, "a.jpg");
        measure(*library, "b.jpg");
        return library;
    }

    // The files' bytes as they are now, as the review keeps them.
    ReviewedContents reviewedNow(const std::vector<std::string>& ids) {
        ReviewedContents reviewed;
        for (const auto& id : ids) {
            const std::string bytes = readText(lib(id));
            Sha256 digest;
            digest.add({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
            reviewed[id] = {*digest.finish(), static_cast<std::int64_t>(bytes.size())};
            this->bytes[id] = bytes;
        }
        return reviewed;
    }

    // Of the two, b.jpg changed since it was measured: it stays as it is now, and says so.
    void expectOnlyAMoved(PhotoLibraryPort& library, const ReviewedContents& reviewed = {}) {
        std::string now = readText(lib("b.jpg"));
        auto [success, error] = remove(library, {"a.jpg", "b.jpg"}, reviewed);
        EXPECT_FALSE(success);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code, ESTALE);
        EXPECT_THAT(error->message, HasSubstr(lib("b.jpg").string()));
        EXPECT_THAT(error->deletedIdentifiers, ElementsAre("a.jpg"));
        EXPECT_THAT(error->keptIdentifiers,
                    ElementsAre(KeptPhoto{"b.jpg", KeptReason::changedSinceReviewed}));
        EXPECT_EQ(readText(lib("b.jpg")), now);
        EXPECT_FALSE(std::filesystem::exists(trash() / "files/b.jpg"));
        EXPECT_FALSE(std::filesystem::exists(trash() / "info/b.jpg.trashinfo"));
        EXPECT_TRUE(std::filesystem::exists(trash() / "files/a.jpg"));
    }

    // What reached the Trash holds the bytes reviewed, with its info file.
    void expectTrashed(const std::string& id) {
        EXPECT_FALSE(std::filesystem::exists(lib(id))) << id;
        EXPECT_EQ(readText(trash() / "files" / id), bytes.at(id)) << id;
        EXPECT_TRUE(std::filesystem::exists(trash() / "info" / (id + ".trashinfo"))) << id;
    }

    // Other bytes of the same size written into the file's own inode, its times put back.
    void rewriteInPlace(const std::string& relative) {
        struct stat before {};
        ASSERT_EQ(::stat(lib(relative).c_str(), &before), 0);
        std::string bytes = readText(lib(relative));
        bytes.back() = static_cast<char>(bytes.back() ^ 1);
        int fd = ::open(lib(relative).c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, lib(relative).c_str(), times, 0), 0);
        struct stat after {};
        ::stat(lib(relative).c_str(), &after);
        ASSERT_NE(after.st_ctim.tv_nsec + after.st_ctim.tv_sec * 1'000'000'000LL,
                  before.st_ctim.tv_nsec + before.st_ctim.tv_sec * 1'000'000'000LL);
    }

    std::map<std::string, std::string> bytes;
};

TEST_F(DeletionSafetyTest, APhotographOverwrittenAfterMeasuringIsLeftAloneAndReported) {
    auto library = twoMeasured();
    // A listing after the change does not make the new picture the reviewed one.
    overwrite("b.jpg");
    library->fetchImageAssets();
    expectOnlyAMoved(*library);
    // Measured again, the new picture is the reviewed one.
    measure(*library, "b.jpg");
    EXPECT_TRUE(remove(*library, {"b.jpg"}).first);
}

// Only the change time tells of either: the bytes reviewed tell them apart.
TEST_F(DeletionSafetyTest, AFileRewrittenInPlaceIsLeftAloneAndOneOnlyChmodedGoes) {
    auto library = twoMeasured();
    const auto reviewed = reviewedNow({"a.jpg", "b.jpg"});
    std::filesystem::permissions(lib("a.jpg"), std::filesystem::perms::group_write,
                                 std::filesystem::perm_options::add);
    rewriteInPlace("b.jpg");
    expectOnlyAMoved(*library, reviewed);
    expectTrashed("a.jpg");
}

// Written in after the batch was formed, right before its move, and listed again with its
// times put back: the listing does not make the new bytes the reviewed ones, also for d.jpg,
// whose reviewed bytes are not known.
TEST_F(DeletionSafetyTest, BytesWrittenInWhileTheBatchMovesKeepTheirFileWhereItIs) {
    const std::vector<std::string> names = {"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
    for (const auto& name : names)
        writeJpeg(lib(name), jpeg().rated(name[0] - 'a'));
    auto library = makeLibrary();
    library->fetchImageAssets();
    auto reviewed = reviewedNow(names);
    reviewed.erase("d.jpg");
    fs->beforeNewFile = [&](const std::string& path) {
        for (const char* written : {"b.jpg", "d.jpg"})
            if (path.ends_with("/" + std::string(written) + ".trashinfo")) {
                rewriteInPlace(written);
                library->fetchImageAssets();
            }
    };
    auto [success, error] = remove(*library, names, reviewed);
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_THAT(error->deletedIdentifiers, ElementsAre("a.jpg", "c.jpg"));
    EXPECT_THAT(error->keptIdentifiers,
                ElementsAre(KeptPhoto{"b.jpg", KeptReason::changedSinceReviewed},
                            KeptPhoto{"d.jpg", KeptReason::changedSinceReviewed}));
    for (const char* written : {"b.jpg", "d.jpg"}) {
        EXPECT_NE(readText(lib(written)), bytes.at(written));
        EXPECT_FALSE(std::filesystem::exists(trash() / "files" / written));
        EXPECT_FALSE(
            std::filesystem::exists(trash() / "info" / (written + std::string(".trashinfo"))));
    }
    expectTrashed("a.jpg");
    expectTrashed("c.jpg");
}

// A pipe put in a photograph's place right before its move is never waited on: it stays
// where it is, and the rest of the batch goes.
TEST_F(DeletionSafetyTest, APipeInAPhotographsPlaceIsLeftWithoutWaitingForIt) {
    auto library = twoListed();
    const auto reviewed = reviewedNow({"a.jpg", "b.jpg"});
    fs->beforeNewFile = [&](const std::string& path) {
        if (!path.ends_with("/b.jpg.trashinfo")) return;
        std::filesystem::remove(lib("b.jpg"));
        ASSERT_EQ(::mkfifo(lib("b.jpg").c_str(), 0600), 0);
    };
    auto [success, error] = remove(*library, {"a.jpg", "b.jpg"}, reviewed);
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_THAT(error->keptIdentifiers,
                ElementsAre(KeptPhoto{"b.jpg", KeptReason::changedSinceReviewed}));
    EXPECT_TRUE(std::filesystem::is_fifo(lib("b.jpg")));
    expectTrashed("a.jpg");
}

// Without its reviewed bytes a file whose status changed since it was listed is not known
// for the reviewed one; with them it goes, whatever its permissions and times became.
TEST_F(DeletionSafetyTest, AFileHoldingItsReviewedBytesGoesWhateverItsPermissionsAndTimes) {
    auto library = twoListed();
    const auto reviewed = reviewedNow({"a.jpg", "b.jpg"});
    std::filesystem::permissions(
        lib("a.jpg"), std::filesystem::perms::group_read | std::filesystem::perms::others_read,
        std::filesystem::perm_options::remove);
    const timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, lib("b.jpg").c_str(), times, 0), 0);
    const auto unsure = remove(*library, {"a.jpg"});
    ASSERT_TRUE(unsure.second);
    EXPECT_EQ(unsure.second->code, ESTALE);
    library->fetchImageAssets();
    ASSERT_EQ(::chmod(lib("b.jpg").c_str(), 0600), 0);
    auto [success, error] = remove(*library, {"a.jpg", "b.jpg"}, reviewed);
    EXPECT_TRUE(success) << error->message;
    expectTrashed("a.jpg");
    expectTrashed("b.jpg");
}

// A review kept without the file's change time, as earlier builds kept it, is judged as then.
TEST_F(DeletionSafetyTest, AReviewWithoutAChangeTimeLooksAtSizeTimeAndInodeOnly) {
    writeJpeg(lib("a.jpg"));
    FileStamp reviewed;
    ASSERT_TRUE(stampOf(lib("a.jpg").string(), reviewed));
    reviewed.ctimeNs = 0;
    rewriteInPlace("a.jpg");
    TrashMover mover(realFileSystem(), trash());
    EXPECT_EQ(mover.moveToTrash({root.string(), "a.jpg"}, ReviewedFile{reviewed}).error, 0);
    EXPECT_TRUE(std::filesystem::exists(trash() / "files/a.jpg"));
}

// A file taken back from the Trash never takes the place of one that appeared there meanwhile:
// it stays in the Trash, its entry whole, until the place is free.
TEST_F(DeletionSafetyTest, AFileTakenBackFromTheTrashNeverReplacesOneAtItsPlace) {
    namespace fs = std::filesystem;
    const auto text = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    writeJpeg(lib("a.jpg"));
    const std::string reviewed = text(lib("a.jpg"));
    TrashMover mover(realFileSystem(), trash());
    TrashedFile moved;
    ASSERT_EQ(mover.moveToTrash({root.string(), "a.jpg"}, std::nullopt, &moved).error, 0);
    ASSERT_EQ(moved.name, "a.jpg");
    std::ofstream(lib("a.jpg"), std::ios::binary) << "another file";
    EXPECT_EQ(mover.putBack(moved), EEXIST);
    EXPECT_EQ(text(lib("a.jpg")), "another file");
    EXPECT_TRUE(fs::equivalent(moved.path(), trash() / "files/a.jpg"));
    EXPECT_EQ(text(trash() / "files/a.jpg"), reviewed);
    EXPECT_TRUE(fs::exists(trash() / "info/a.jpg.trashinfo"));
    fs::remove(lib("a.jpg"));
    EXPECT_EQ(mover.putBack(moved), 0);
    EXPECT_TRUE(moved.name.empty());
    EXPECT_EQ(text(lib("a.jpg")), reviewed);
    EXPECT_TRUE(fs::is_empty(trash() / "files"));
    EXPECT_TRUE(fs::is_empty(trash() / "info"));
}

// Another second makes the engine measure and review it again, maybe from a rendition.
TEST_F(DeletionSafetyTest, APhotographListedWithAnotherSecondIsReviewedAgain) {
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    library->fetchImageAssets();
    measure(*library, "a.jpg");
    writeJpeg(lib("a.jpg"), jpeg().size(64, 48));
    timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
    ::utimensat(AT_FDCWD, lib("a.jpg").c_str(), times, 0);
    library->fetchImageAssets();
    EXPECT_TRUE(remove(*library, {"a.jpg"}).first);
}

TEST_F(DeletionSafetyTest, WithoutMeasuringTheLastListingIsWhatWasReviewed) {
    writeJpeg(lib("a.jpg"));
    makeLibrary()->fetchImageAssets();
    overwrite("a.jpg");
    auto library = makeLibrary();
    EXPECT_EQ(remove(*library, {"a.jpg"}).second->code, ESTALE);
    EXPECT_TRUE(std::filesystem::exists(lib("a.jpg")));
}

// The info file adds ".trashinfo" to the name: a name of 246 to 255 bytes did not fit.
TEST_F(DeletionSafetyTest, LongNamesGetTrashNamesThatFitAndTheWholeBatchGoes) {
    std::string longName = std::string(240, 'x') + "\xC3\xA9\xC3\xA9" + ".jpeg";
    ASSERT_EQ(longName.size(), 249u);
    writeJpeg(lib("a.jpg"));
    writeJpeg(lib(longName));
    writeJpeg(lib("sub/" + longName));
    auto library = makeLibrary();
    library->fetchImageAssets();
    auto [success, error] = remove(*library, {"a.jpg", longName, "sub/" + longName});
    ASSERT_TRUE(success) << error->message;
    EXPECT_THAT(ids(library->fetchImageAssets()), IsEmpty());
    std::vector<std::string> infos;
    for (const auto& entry : std::filesystem::directory_iterator(trash() / "info")) {
        std::string name = entry.path().filename().string();
        EXPECT_LE(name.size(), 255u);
        infos.push_back(readText(entry.path()));
    }
    ASSERT_EQ(infos.size(), 3u);
    int originals = 0;
    for (const auto& info : infos)
        originals +=
            info.find(trashPathEscaped(lib(longName).string()) + "\n") != std::string::npos;
    EXPECT_EQ(originals, 1);
}

TEST_F(DeletionSafetyTest, AFailureLaterInTheBatchStillNamesWhatReachedTheTrash) {
    writeJpeg(lib("a.jpg"));
    writeJpeg(lib("b.jpg"));
    writeJpeg(lib("c.jpg"));
    auto library = makeLibrary();
    addToRejects(*library, {});
    addToRejects(*library, {"a.jpg", "b.jpg", "c.jpg"});
    fs->failRenamesOf = lib("b.jpg").string();
    auto [success, error] = remove(*library, {"a.jpg", "b.jpg", "c.jpg"});
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_THAT(error->deletedIdentifiers, ElementsAre("a.jpg", "c.jpg"));
    // The rename would have crossed devices.
    EXPECT_THAT(error->keptIdentifiers,
                ElementsAre(KeptPhoto{"b.jpg", KeptReason::trashOnAnotherDevice}));
    EXPECT_TRUE(std::filesystem::exists(lib("b.jpg")));
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), ElementsAre("b.jpg"));
}

// A folder the user may not write to keeps its photograph, and says so; the rest goes.
TEST_F(DeletionSafetyTest, APhotographWhoseFolderMayNotBeWrittenStaysAndSaysWhy) {
    writeJpeg(lib("a.jpg"));
    writeJpeg(lib("locked/b.jpg"));
    auto library = makeLibrary();
    library->fetchImageAssets();
    ASSERT_EQ(::chmod(lib("locked").c_str(), 0555), 0);
    std::pair<bool, std::optional<PortError>> result;
    {
        PermissionsBind bind;
        result = remove(*library, {"a.jpg", "locked/b.jpg"});
    }
    ::chmod(lib("locked").c_str(), 0755);
    const auto& [success, error] = result;
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_THAT(error->deletedIdentifiers, ElementsAre("a.jpg"));
    EXPECT_THAT(error->keptIdentifiers,
                ElementsAre(KeptPhoto{"locked/b.jpg", KeptReason::notWritable}));
    EXPECT_TRUE(std::filesystem::exists(lib("locked/b.jpg")));
    EXPECT_FALSE(std::filesystem::exists(trash() / "info/b.jpg.trashinfo"));
}

// Made unreadable by its owner it did not change: it stays, and says that it cannot be read.
TEST_F(DeletionSafetyTest, AFileThatCannotBeReadStaysAndSaysSo) {
    auto library = twoListed();
    const auto reviewed = reviewedNow({"a.jpg", "b.jpg"});
    ASSERT_EQ(::chmod(lib("b.jpg").c_str(), 0), 0);
    std::pair<bool, std::optional<PortError>> result;
    {
        PermissionsBind bind;
        result = remove(*library, {"a.jpg", "b.jpg"}, reviewed);
    }
    ::chmod(lib("b.jpg").c_str(), 0644);
    const auto& error = result.second;
    ASSERT_TRUE(error);
    EXPECT_THAT(error->keptIdentifiers, ElementsAre(KeptPhoto{"b.jpg", KeptReason::unreadable}));
    EXPECT_THAT(error->message, HasSubstr("cannot be read"));
    EXPECT_EQ(readText(lib("b.jpg")), bytes.at("b.jpg"));
    expectTrashed("a.jpg");
}

// The status taken with the digest, still the file's, proves the bytes: the file is not read
// (the digest given here is no longer its bytes'). A status that moved sends it to be read.
TEST_F(DeletionSafetyTest, AFileWhoseStatusStillProvesItsReviewedBytesGoesUnread) {
    auto library = twoListed();
    auto reviewed = reviewedNow({"a.jpg", "b.jpg"});
    for (const char* id : {"a.jpg", "b.jpg"}) {
        FileStamp stamp;
        ASSERT_TRUE(stampOf(lib(id).string(), stamp));
        reviewed[id].status = digestedStatusOf(stamp);
        reviewed[id].digest = "other bytes";
    }
    ASSERT_EQ(::chmod(lib("b.jpg").c_str(), 0640), 0);
    auto [success, error] = remove(*library, {"a.jpg", "b.jpg"}, reviewed);
    ASSERT_TRUE(error);
    EXPECT_THAT(error->keptIdentifiers,
                ElementsAre(KeptPhoto{"b.jpg", KeptReason::changedSinceReviewed}));
    expectTrashed("a.jpg");
}

// A status whose change lies within the time stamps' granularity of the read could hide a
// write made as the read began: it proves nothing, as a file written just now shows.
TEST_F(DeletionSafetyTest, OnlyAStatusClearlyOlderThanTheReadProvesTheBytesRead) {
    const FileStamp stamp{100, 5'000'000'000, 7, 8, 10'000'000'000};
    EXPECT_EQ(provingStamp(stamp, stamp, 10'000'000'001 + racyMarginNs), stamp);
    EXPECT_FALSE(provingStamp(stamp, stamp, 10'000'000'000 + racyMarginNs));
    FileStamp written = stamp;
    written.ctimeNs += 1;
    EXPECT_FALSE(provingStamp(stamp, written, 20'000'000'000 + racyMarginNs));
    FileStamp unknown = stamp;
    unknown.ctimeNs = 0;
    EXPECT_FALSE(provingStamp(unknown, unknown, 20'000'000'000 + racyMarginNs));
    writeJpeg(lib("a.jpg"));
    std::optional<FileStamp> proving = stamp;
    EXPECT_EQ(streamProvenFile(
                  {root.string(), "a.jpg"}, [](auto) {}, proving),
              0);
    EXPECT_FALSE(proving);
}

TEST_F(DeletionSafetyTest, TrashCandidateNamesKeepTheirExtensionAndWholeCharacters) {
    EXPECT_EQ(trashCandidateName("IMG_1.jpg", 1, 245), "IMG_1.jpg");
    EXPECT_EQ(trashCandidateName("IMG_1.jpg", 3, 245), "IMG_1.3.jpg");
    EXPECT_EQ(trashCandidateName("abcd\xC3\xA9.jpg", 1, 9), "abcd.jpg");
    EXPECT_EQ(trashCandidateName("abcdef.jpg", 12, 10), "abc.12.jpg");
    EXPECT_EQ(trashCandidateName("noextension", 2, 8), "noexte.2");
}

} // namespace
} // namespace keepsift::foldertest
