#include "FolderLibraryFixture.hpp"
#include "PrivateMounts.hpp"

#include <chrono>
#include <sys/stat.h>

#include "core/support/Logger.hpp"
#include "platform/files/tests/BlockedByPipes.hpp"
#include "platform/library/MountTable.hpp"
#include "platform/library/RememberedMounts.hpp"
#include "platform/library/VanishedStorage.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class VanishedStorageTest : public FolderLibraryTest {
protected:
    std::vector<std::string> vanished(const std::vector<MissingPhotograph>& missing,
                                      const StorageMounts& mounts = {}) {
        return vanishedStorage(root.string(), missing, mounts);
    }
    std::string real(const std::string& relative) const {
        return std::filesystem::weakly_canonical(lib(relative)).string();
    }
    // Photographs named 0.jpg, 1.jpg, ... in one folder; their identifiers.
    std::vector<std::string> photographsIn(const std::string& folder, int count) {
        std::vector<std::string> made;
        for (int i = 0; i < count; ++i) {
            made.push_back(folder + "/" + std::to_string(i) + ".jpg");
            writeJpeg(lib(made.back()));
        }
        return made;
    }
    std::filesystem::path mountsFile() const { return base / "kept" / "library-mounts"; }
    RememberedMounts::Tables tables() const {
        return {(base / "mountinfo").string(), (base / "fstab").string()};
    }
    // The live table: the system's drive, and these mounts.
    void mountTable(const std::string& mounts) const {
        writeText(base / "mountinfo", "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n" + mounts);
    }
};

TEST_F(VanishedStorageTest, AMountPointNoLongerMountedOnTookItsPhotographsWithIt) {
    std::filesystem::create_directories(lib("Card"));
    std::filesystem::create_directories(lib("Trip"));
    writeJpeg(lib("kept.jpg"));
    const std::vector<MissingPhotograph> missing = {{"Card/DCIM/a.jpg", "Card/DCIM"},
                                                    {"Trip/b.jpg", "Trip"}};
    EXPECT_THAT(vanished(missing), IsEmpty());
    EXPECT_THAT(vanished(missing, {{}, {real("Card")}}), ElementsAre("Card/DCIM/a.jpg"));
    // Still mounted: the drive is there, and what left it was deleted.
    EXPECT_THAT(vanished(missing, {{real("Card")}, {real("Card")}}), IsEmpty());
    EXPECT_THAT(vanished(missing, {{real("Card")}, {}}), IsEmpty());
    // A mount point that holds photographs again is a plain folder now.
    writeJpeg(lib("Card/other.jpg"));
    EXPECT_THAT(vanished(missing, {{}, {real("Card")}}), IsEmpty());
}

// A desktop automounter removes the folder it mounted on.
TEST_F(VanishedStorageTest, AMountPointGoneWithItsMountTookItsPhotographsWithIt) {
    writeJpeg(lib("Media/kept.jpg"));
    const std::string card = real("Media") + "/Card";
    EXPECT_THAT(
        vanished({{"Media/Card/a.jpg", "Media/Card"}, {"Media/b.jpg", "Media"}}, {{}, {card}}),
        ElementsAre("Media/Card/a.jpg"));
}

// However many photographs a folder held, the user may delete them all and keep the folder.
TEST_F(VanishedStorageTest, AFolderEmptiedOnADriveStillMountedWasDeleted) {
    writeJpeg(lib("kept.jpg"));
    std::vector<MissingPhotograph> missing;
    for (const std::string& id : photographsIn("Trip", 12))
        missing.push_back({id, "Trip"});
    std::filesystem::remove_all(lib("Trip"));
    std::filesystem::create_directory(lib("Trip"));
    EXPECT_THAT(vanished(missing), IsEmpty());
    writeJpeg(lib("Card/c.jpg"));
    EXPECT_THAT(vanished(missing, {{real("Card")}, {}}), IsEmpty());
}

TEST_F(VanishedStorageTest, ARootWithoutPhotographsTookThemAllAndAGoneFolderDidNot) {
    writeText(lib("notes.txt"), "no photograph");
    EXPECT_THAT(vanished({{"a.jpg", ""}, {"Gone/b.jpg", "Gone"}}),
                UnorderedElementsAre("a.jpg", "Gone/b.jpg"));
    writeJpeg(lib("c.jpg"));
    EXPECT_THAT(vanished({{"a.jpg", ""}, {"Gone/b.jpg", "Gone"}}), IsEmpty());
    // Identifiers that name no folder below the root are never looked for.
    EXPECT_THAT(vanished({{"../x.jpg", ".."}}), IsEmpty());
}

TEST_F(VanishedStorageTest, MountPointsAreReadFromBothTablesWithTheirEscapes) {
    writeText(base / "fstab", "# comment\n"
                              "UUID=1 / ext4 defaults 0 1\n"
                              "/dev/sdb1 /media/My\\040Card vfat noauto 0 0\n"
                              "  \n"
                              "proc /proc proc defaults 0 0\n"
                              "/swapfile none swap sw 0 0\n");
    EXPECT_THAT(tableMountPoints((base / "fstab").string()),
                UnorderedElementsAre("/", "/media/My Card", "/proc"));
    EXPECT_THAT(tableMountPoints((base / "missing").string()), IsEmpty());
    writeText(base / "mountinfo",
              "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
              "27 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
              "90 27 0:51 / /home/me/Pictures/Phone\\040A rw,nosuid - fuse.jmtpfs jmtpfs rw\n");
    EXPECT_THAT(liveMountPoints((base / "mountinfo").string()),
                UnorderedElementsAre("/proc", "/", "/home/me/Pictures/Phone A"));
}

// Once unmounted, a drive's folder is in no live table: the library remembers it, also
// across a restart, until it is a plain folder again.
TEST_F(VanishedStorageTest, MountPointsSeenMountedAreRememberedUntilTheyHoldPhotographsAgain) {
    std::filesystem::create_directories(lib("Card"));
    const auto file = base / "kept" / "library-mounts";
    const RememberedMounts::Tables tables{(base / "mountinfo").string(), (base / "fstab").string()};
    writeText(base / "fstab", "/dev/sdc1 /mnt/backup ext4 noauto 0 0\n");
    writeText(base / "mountinfo", "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                  "91 27 8:33 / " +
                                      real("Card") + " rw - vfat /dev/sdc1 rw\n");
    RememberedMounts(file, tables).note(root.string());
    // Another library's listing keeps this one's.
    std::filesystem::create_directories(base / "other");
    RememberedMounts(file, tables).note((base / "other").string());
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    writeText(base / "mountinfo", "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n");
    RememberedMounts restarted(file, tables);
    restarted.note(root.string());
    EXPECT_THAT(restarted.now().known, UnorderedElementsAre(real("Card"), "/mnt/backup"));
    EXPECT_THAT(restarted.now().mounted, ElementsAre("/"));
    writeJpeg(lib("Card/plain.jpg"));
    restarted.note(root.string());
    EXPECT_THAT(restarted.now().known, ElementsAre("/mnt/backup"));
    EXPECT_THAT(RememberedMounts(file, tables).now().known, ElementsAre("/mnt/backup"));
}

// A drive unmounted and mounted again at another folder of the library took its photographs
// along: its old folder is no storage away, as one of another drive mounted elsewhere is.
TEST_F(VanishedStorageTest, AMountPointWhoseDriveIsMountedAtAnotherFolderIsForgotten) {
    for (const auto* folder : {"Card", "Card-1", "Phone"})
        std::filesystem::create_directories(lib(folder));
    const auto file = mountsFile();
    mountTable("91 27 8:33 / " + real("Card") + " rw - vfat /dev/sdc1 rw\n92 27 8:49 / " +
               real("Phone") + " rw - vfat /dev/sdd1 rw\n");
    RememberedMounts mounts(file, tables());
    mounts.note(root.string());
    mountTable("93 27 8:33 / " + real("Card-1") +
               " rw - vfat /dev/sdc1 rw\n94 27 8:49 / /media/phone rw - "
               "vfat /dev/sdd1 rw\n");
    mounts.note(root.string());
    EXPECT_THAT(mounts.now().known, UnorderedElementsAre(real("Card-1"), real("Phone")));
}

// Where a drive went, old folder to new, relative to the root: wherever it is mounted now,
// also after a listing forgot the old folder and when it moved on again since; a drive
// mounted out of the library, or one whose old folder another drive holds now, moved nothing.
TEST_F(VanishedStorageTest, ADriveMountedAtAnotherFolderIsFollowedToWhereItIsNow) {
    for (const auto* folder : {"Card", "Card-1", "Card-2", "Phone"})
        std::filesystem::create_directories(lib(folder));
    const auto line = [&](const char* numbers, const std::string& point, const char* device) {
        return std::string("9 27 ") + numbers + " / " + point + " rw - vfat " + device + " rw\n";
    };
    RememberedMounts mounts(mountsFile(), tables());
    mountTable(line("8:33", real("Card"), "/dev/sdc1") + line("8:49", real("Phone"), "/dev/sdd1"));
    mounts.note(root.string());
    EXPECT_THAT(mounts.moves(root.string()), IsEmpty());
    mountTable(line("8:33", real("Card-1"), "/dev/sdc1") +
               line("8:49", "/media/phone", "/dev/sdd1"));
    const MountMoves toCard1{{"Card", "Card-1"}};
    EXPECT_EQ(mounts.moves(root.string()), toCard1);
    mounts.note(root.string());
    EXPECT_EQ(mounts.moves(root.string()), toCard1);
    mountTable(line("8:33", real("Card-2"), "/dev/sdc1") +
               line("8:65", real("Card-1"), "/dev/sde1"));
    EXPECT_EQ(mounts.moves(root.string()), (MountMoves{{"Card", "Card-2"}}));
    mountTable(line("8:33", real("Card-2"), "/dev/sdc1") + line("8:65", real("Card"), "/dev/sde1"));
    EXPECT_EQ(mounts.moves(root.string()), (MountMoves{{"Card-1", "Card-2"}}));
}

// The drive seen at each mount point is kept with it: a card unmounted while Keepsift does
// not run and mounted at another folder of the library took its photographs along, whereas
// another drive given the same numbers after a restart is not taken for it.
TEST_F(VanishedStorageTest, ADriveMountedAtAnotherFolderWhileStoppedTookItsPhotographsAlong) {
    for (const auto* folder : {"Card", "Card-1", "Phone", "Phone-1"})
        std::filesystem::create_directories(lib(folder));
    const auto file = mountsFile();
    mountTable("91 27 8:33 / " + real("Card") + " rw - vfat /dev/sdc1 rw\n92 27 0:49 / " +
               real("Phone") + " rw - fuse.jmtpfs jmtpfs rw\n");
    RememberedMounts(file, tables()).note(root.string());
    mountTable("93 27 8:33 / " + real("Card-1") + " rw - vfat /dev/sdc1 rw\n94 27 0:49 / " +
               real("Phone-1") + " rw - fuse.sshfs me@host: rw\n");
    RememberedMounts restarted(file, tables());
    restarted.note(root.string());
    EXPECT_THAT(restarted.now().known,
                UnorderedElementsAre(real("Card-1"), real("Phone"), real("Phone-1")));
    EXPECT_THAT(RememberedMounts(file, tables()).now().known,
                UnorderedElementsAre(real("Card-1"), real("Phone"), real("Phone-1")));
}

// A file of an earlier build holds mount points only: they are read, and a drive seen at
// one is added. What is added is no absolute path, which an earlier build reads as no mount
// point and drops, keeping the points.
TEST_F(VanishedStorageTest, TheMountsFileOfAnEarlierBuildIsReadAndItsReaderKeepsThePoints) {
    for (const auto* folder : {"Card", "Card-1", "Phone"})
        std::filesystem::create_directories(lib(folder));
    const auto file = mountsFile();
    const std::string nul(1, '\0');
    writeText(file, real("Card") + nul + real("Phone") + nul);
    mountTable("93 27 8:33 /sub/folder " + real("Card-1") + " rw - vfat /dev/sd\\134c1 rw\n");
    RememberedMounts mounts(file, tables());
    EXPECT_THAT(mounts.now().known, UnorderedElementsAre(real("Card"), real("Phone")));
    mounts.note(root.string());
    // Seen nowhere, their drives are not known: they stay away.
    EXPECT_THAT(mounts.now().known,
                UnorderedElementsAre(real("Card"), real("Card-1"), real("Phone")));
    const std::string content = readText(file);
    std::vector<std::string> points;
    for (std::size_t start = 0, end; (end = content.find('\0', start)) != std::string::npos;
         start = end + 1)
        if (content[start] == '/')
            points.push_back(content.substr(start, end - start));
        else
            EXPECT_TRUE(content.substr(start, end - start).starts_with("drive 8:33 /sub/folder"));
    EXPECT_THAT(points, UnorderedElementsAre(real("Card"), real("Card-1"), real("Phone")));
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

// The file is Keepsift's own: a listing writes back what it read and found, so junk goes, a
// huge file is read only in its head, and a folder or a link in its place is replaced.
TEST_F(VanishedStorageTest, TheMountsFileIsRewrittenFromWhatIsReadAndReadOnlyInItsHead) {
    std::filesystem::create_directories(lib("Card"));
    const auto file = base / "kept" / "library-mounts";
    const RememberedMounts::Tables tables{(base / "mountinfo").string(), (base / "fstab").string()};
    writeText(base / "mountinfo", "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                  "91 27 8:33 / " +
                                      real("Card") + " rw - vfat /dev/sdc1 rw\n");
    const std::string written =
        real("Card") + std::string(1, '\0') + "drive 8:33 / vfat /dev/sdc1" + std::string(1, '\0');
    const std::string away = "/mnt/away" + std::string(1, '\0');
    writeText(file, away + "not a path" + std::string(1, '\0') + std::string(4 << 20, 'x') +
                        std::string(1, '\0') + "/mnt/beyond" + std::string(1, '\0'));
    RememberedMounts(file, tables).note(root.string());
    EXPECT_EQ(readText(file), away + written);
    EXPECT_THAT(RememberedMounts(file, tables).now().known,
                UnorderedElementsAre("/mnt/away", real("Card")));

    std::filesystem::remove(file);
    writeText(file / "inside", "a folder in its place");
    RememberedMounts(file, tables).note(root.string());
    EXPECT_EQ(readText(file), written);

    // A link to a folder is replaced, and the folder left alone.
    writeText(base / "folder" / "inside", "kept");
    std::filesystem::remove(file);
    std::filesystem::create_symlink(base / "folder", file);
    RememberedMounts(file, tables).note(root.string());
    EXPECT_FALSE(std::filesystem::is_symlink(file));
    EXPECT_EQ(readText(file), written);
    EXPECT_EQ(readText(base / "folder" / "inside"), "kept");

    // A link to a file, as a dotfiles manager leaves, is read, and written where it leads.
    writeText(base / "elsewhere", away);
    std::filesystem::remove(file);
    std::filesystem::create_symlink(base / "elsewhere", file);
    RememberedMounts(file, tables).note(root.string());
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(readText(base / "elsewhere"), away + written);
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

// A pipe in its place is never waited for; it is told and replaced.
TEST_F(VanishedStorageTest, APipeInPlaceOfTheMountsFileIsToldAndReplaced) {
    const auto file = base / "kept" / "library-mounts";
    std::filesystem::create_directories(file.parent_path());
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    std::vector<std::string> logged;
    Logger::setSinkForTesting([&](const LogRecord& record) { logged.push_back(record.message); });
    const RememberedMounts::Tables tables{(base / "mountinfo").string(), (base / "fstab").string()};
    writeText(base / "mountinfo", "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n");
    ASSERT_TRUE(keepsift::testing::finishesWithin(
        std::chrono::seconds(60), [&] { RememberedMounts(file, tables).note(root.string()); },
        {file}));
    Logger::setSinkForTesting({});
    EXPECT_THAT(logged, ElementsAre(file.string() + " cannot be read, it is written anew"));
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(file)));
}

// A card or phone mounted by hand, by FUSE or by the desktop, in no filesystem table.
class UnmountedStorageTest : public VanishedStorageTest {
protected:
    void SetUp() override {
        VanishedStorageTest::SetUp();
        if (!mounts.tmpfs(lib("Card"), 0755)) GTEST_SKIP() << "needs root to mount a card";
    }
    void TearDown() override {
        mounts.unmountAll();
        VanishedStorageTest::TearDown();
    }
    // The identifiers a listing no longer holds.
    static std::vector<std::string> missingFrom(const std::vector<std::string>& before,
                                                const std::vector<std::string>& after) {
        std::vector<std::string> missing;
        for (const std::string& id : before)
            if (std::find(after.begin(), after.end(), id) == after.end()) missing.push_back(id);
        return missing;
    }

    PrivateMounts mounts;
};

TEST_F(UnmountedStorageTest, AFewPhotographsOnAnUnmountedCardAreUnavailableNotDeleted) {
    writeJpeg(lib("kept.jpg"));
    const auto onCard = photographsIn("Card/DCIM", 6);
    auto library = makeLibrary();
    const auto before = ids(library->fetchImageAssets());
    ASSERT_EQ(before.size(), 7u);
    mounts.unmountAll();
    const auto missing = missingFrom(before, ids(library->fetchImageAssets()));
    EXPECT_THAT(missing, ::testing::UnorderedElementsAreArray(onCard));
    EXPECT_THAT(library->unavailableIdentifiers(missing),
                ::testing::UnorderedElementsAreArray(onCard));
    // Started again while the card is away.
    EXPECT_THAT(makeLibrary()->unavailableIdentifiers(missing),
                ::testing::UnorderedElementsAreArray(onCard));
}

// The card is still mounted, so its photographs were deleted too, though none is left on it.
TEST_F(UnmountedStorageTest, ManyPhotographsDeletedByHandFromAFolderStillThereAreDeleted) {
    writeJpeg(lib("kept.jpg"));
    const auto inTrip = photographsIn("Trip", 12);
    const auto onCard = photographsIn("Card", 12);
    auto library = makeLibrary();
    const auto before = ids(library->fetchImageAssets());
    ASSERT_EQ(before.size(), 25u);
    for (const auto* emptied : {&inTrip, &onCard})
        for (const std::string& id : *emptied)
            std::filesystem::remove(lib(id));
    const auto missing = missingFrom(before, ids(library->fetchImageAssets()));
    EXPECT_EQ(missing.size(), 24u);
    EXPECT_THAT(library->unavailableIdentifiers(missing), IsEmpty());
}

} // namespace
} // namespace keepsift::foldertest
