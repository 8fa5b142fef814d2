#include "FolderLibraryFixture.hpp"
#include "PermissionsBind.hpp"

#include <algorithm>
#include <cmath>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/library/Catalogue.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class CatalogueTest : public FolderLibraryTest {};

TEST_F(CatalogueTest, HiddenFilesDotFoldersAndNomediaFoldersAreNeverListed) {
    writeJpeg(lib("a.jpg"));
    writeJpeg(lib(".hidden.jpg"));
    writeJpeg(lib(".thumbnails/b.jpg"));
    writeJpeg(lib("WhatsApp/c.jpg"));
    writeText(lib("WhatsApp/.nomedia"), "");
    writeJpeg(lib("WhatsApp/deeper/d.jpg"));
    writeJpeg(lib("trip/e.jpg"));
    writeText(lib("trip/notes.txt"), "not a photograph");
    auto library = makeLibrary();
    EXPECT_THAT(ids(library->fetchImageAssets()), UnorderedElementsAre("a.jpg", "trip/e.jpg"));
    EXPECT_TRUE(library
                    ->fetchAssetsWithLocalIdentifiers(
                        {".hidden.jpg", "WhatsApp/c.jpg", "WhatsApp/deeper/d.jpg"})
                    .empty());
}

TEST_F(CatalogueTest, RawAndJpegWithLivePhotoMovieFormOneAssetWithJpegPrimary) {
    writeJpeg(lib("IMG_1.JPG"));
    writeText(lib("IMG_1.CR2"), "raw bytes");
    writeText(lib("IMG_1.MOV"), "movie");
    writeText(lib("IMG_2.NEF"), "lonely raw");
    writeText(lib("IMG_3.MOV"), "movie without photo");
    auto assets = makeLibrary()->fetchImageAssets();
    ASSERT_THAT(ids(assets), UnorderedElementsAre("IMG_1.JPG", "IMG_2.NEF"));
    const PortAsset& pair = find(assets, "IMG_1.JPG");
    EXPECT_EQ(pair.filename, "IMG_1.JPG");
    ASSERT_EQ(pair.resources.size(), 3u);
    EXPECT_EQ(pair.resources[0].type, PortResourceType::photo);
    EXPECT_EQ(pair.resources[1].originalFilename, "IMG_1.CR2");
    EXPECT_EQ(pair.resources[1].type, PortResourceType::alternatePhoto);
    EXPECT_EQ(pair.resources[2].type, PortResourceType::pairedVideo);
    EXPECT_EQ(pair.resources[1].fileSize, 9);
}

TEST_F(CatalogueTest, TwoPrimaryImagesOfOneStemStaySeparateAssets) {
    writeJpeg(lib("IMG_4.jpg"));
    writeJpeg(lib("IMG_4.heic"));
    writeText(lib("IMG_4.cr2"), "raw");
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()),
                UnorderedElementsAre("IMG_4.jpg", "IMG_4.heic", "IMG_4.cr2"));
}

TEST_F(CatalogueTest, SymbolicLinksAreNeverAssetsAndLoopsEndTheWalk) {
    writeJpeg(lib("real/a.jpg"));
    std::filesystem::create_symlink("a.jpg", lib("real/link.jpg"));
    std::filesystem::create_directory_symlink("..", lib("real/loop"));
    std::filesystem::create_symlink("missing.jpg", lib("real/broken.jpg"));
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()), ElementsAre("real/a.jpg"));
}

TEST_F(CatalogueTest, IdentifiersAreNfcWithSlashes) {
    writeJpeg(lib("Cafe\xCC\x81/e\xCC\x81te\xCC\x81.jpg"));
    auto assets = makeLibrary()->fetchImageAssets();
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0].localIdentifier, "Caf\xC3\xA9/\xC3\xA9t\xC3\xA9.jpg");
    auto byId = makeLibrary()->fetchAssetsWithLocalIdentifiers({assets[0].localIdentifier});
    EXPECT_EQ(ids(byId), ids(assets));
}

TEST_F(CatalogueTest, DatesSizesAndOrderComeFromTheHeader) {
    writeJpeg(lib("late.jpg"), jpeg().size(40, 20).date("2021:07:04 18:30:05"));
    writeJpeg(lib("early.jpg"), jpeg().size(40, 20).date("2019:01:01 08:00:00").turned(6));
    writeJpeg(lib("undated.jpg"), jpeg().date("2021-07-04 18:30:05"));
    auto assets = makeLibrary()->fetchImageAssets();
    ASSERT_EQ(ids(assets)[0], "early.jpg");
    EXPECT_EQ(ids(assets)[1], "late.jpg");
    const PortAsset& late = find(assets, "late.jpg");
    std::tm local{};
    local.tm_year = 121, local.tm_mon = 6, local.tm_mday = 4, local.tm_hour = 18, local.tm_min = 30,
    local.tm_sec = 5, local.tm_isdst = -1;
    EXPECT_EQ(late.creationDate, Date::fromUnix(static_cast<double>(std::mktime(&local))));
    EXPECT_EQ(late.pixelWidth, 40);
    const PortAsset& turned = find(assets, "early.jpg");
    EXPECT_EQ(turned.pixelWidth, 20);
    EXPECT_EQ(turned.pixelHeight, 40);
    // Without a valid EXIF date the file's modification time stands in.
    struct stat info {};
    ::stat(lib("undated.jpg").c_str(), &info);
    const PortAsset& undated = find(assets, "undated.jpg");
    EXPECT_EQ(std::floor(undated.creationDate->unixSeconds()), info.st_mtim.tv_sec);
    EXPECT_EQ(undated.modificationDate, Date::fromUnix(static_cast<double>(info.st_mtim.tv_sec)));
}

TEST_F(CatalogueTest, FavouritesAndEditsComeFromRatingsAndSidecars) {
    writeJpeg(lib("starred.jpg"), jpeg().rated(4));
    writeJpeg(lib("three.jpg"), jpeg().rated(3));
    writeJpeg(lib("sidecar.jpg"), jpeg().rated(1));
    writeText(lib("sidecar.xmp"), R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF
 xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about=""
 xmlns:xmp="http://ns.adobe.com/xap/1.0/" xmp:Rating="5"/></rdf:RDF></x:xmpmeta>)");
    writeJpeg(lib("developed.jpg"));
    writeText(lib("developed.jpg.xmp"), R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF
 xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about=""
 xmlns:darktable="http://darktable.sf.net/"><darktable:history><rdf:Seq><rdf:li
 darktable:operation="exposure"/></rdf:Seq></darktable:history></rdf:Description></rdf:RDF></x:xmpmeta>)");
    writeJpeg(lib("therapee.jpg"));
    writeText(lib("therapee.jpg.pp3"), "[Version]\n");
    auto assets = makeLibrary()->fetchImageAssets();
    EXPECT_TRUE(find(assets, "starred.jpg").isFavorite);
    EXPECT_FALSE(find(assets, "three.jpg").isFavorite);
    EXPECT_TRUE(find(assets, "sidecar.jpg").isFavorite);
    EXPECT_FALSE(find(assets, "sidecar.jpg").hasAdjustments);
    EXPECT_TRUE(find(assets, "developed.jpg").hasAdjustments);
    EXPECT_TRUE(find(assets, "therapee.jpg").hasAdjustments);
    EXPECT_EQ(find(assets, "therapee.jpg").resources.back().type, PortResourceType::adjustmentData);
}

TEST_F(CatalogueTest, ChangedFilesAreReadAgainAndUnchangedOnesComeFromTheCache) {
    writeJpeg(lib("a.jpg"), jpeg().rated(5));
    writeJpeg(lib("b.jpg"), jpeg().rated(5));
    EXPECT_TRUE(find(makeLibrary()->fetchImageAssets(), "a.jpg").isFavorite);
    writeJpeg(lib("a.jpg"), jpeg().size(30, 10));
    auto again = makeLibrary()->fetchImageAssets();
    EXPECT_FALSE(find(again, "a.jpg").isFavorite);
    EXPECT_EQ(find(again, "a.jpg").pixelWidth, 30);
    EXPECT_TRUE(find(again, "b.jpg").isFavorite);
    EXPECT_TRUE(std::filesystem::exists(defaultCatalogueFile()));
}

// Other bytes of the same length written into the file where it is, its time put back, as
// `cp -p` over it does: only its change time moves, as with a chmod.
void rewriteKeepingTime(const std::filesystem::path& file, std::string bytes) {
    const auto length = std::filesystem::file_size(file);
    ASSERT_LE(bytes.size(), length);
    // Bytes after the end of a picture are no part of it.
    bytes.resize(length, '\0');
    const auto time = std::filesystem::last_write_time(file);
    writeText(file, bytes);
    std::filesystem::last_write_time(file, time);
}

// The whole file handed over, as when its bytes are read back to be digested.
void readWhole(FolderPhotoLibrary& library, const std::string& id) {
    const auto found = library.fetchAssetsWithLocalIdentifiers({id});
    ASSERT_EQ(found.size(), 1u);
    std::optional<std::optional<PortError>> answer;
    library.requestData(
        found.front(), found.front().resources.front(), false, [](auto) {},
        [&](std::optional<PortError> error) { answer = std::move(error); });
    ASSERT_TRUE(answer);
    EXPECT_FALSE(*answer);
}

// The picture read whole to be measured.
void readForMeasuring(FolderPhotoLibrary& library, const std::string& id) {
    const auto found = library.fetchAssetsWithLocalIdentifiers({id});
    ASSERT_EQ(found.size(), 1u);
    bool read = false;
    library.requestImageData(found.front(), {},
                             [&](auto data, auto, int, PortImageInfo) { read = data.has_value(); });
    EXPECT_TRUE(read);
}

// Another picture copied over a file with its time kept: the file keeps its size, time and
// number, and only its change time tells. The listing reports the new change time and leaves
// the file unread; reading its bytes back reads its facts again too.
TEST_F(CatalogueTest, AFileRewrittenInPlaceWithItsTimeKeptIsReadAgainWhenItsBytesAreReadBack) {
    writeJpeg(lib("a.jpg"), jpeg().date("2021:07:04 18:30:05"));
    writeJpeg(lib(".spare/b.jpg"), jpeg().size(12, 6).date("2019:01:01 08:00:00"));
    auto library = makeLibrary();
    const PortAsset before = find(library->fetchImageAssets(), "a.jpg");
    rewriteKeepingTime(lib("a.jpg"), readText(lib(".spare/b.jpg")));
    for (const auto& assets : {makeLibrary()->fetchImageAssets(), library->fetchImageAssets()}) {
        const PortAsset& now = find(assets, "a.jpg");
        EXPECT_EQ(now.modificationDate, before.modificationDate);
        EXPECT_EQ(*now.creationDate, *before.creationDate);
        EXPECT_EQ(now.pixelWidth, 16);
        ASSERT_TRUE(now.resources.front().file && before.resources.front().file);
        EXPECT_EQ(now.resources.front().file->number, before.resources.front().file->number);
        EXPECT_NE(now.resources.front().file->changedNs, before.resources.front().file->changedNs);
    }
    readWhole(*library, "a.jpg");
    const auto listedBeforeClosing = library->fetchImageAssets();
    library.reset();
    for (const auto& assets : {listedBeforeClosing, makeLibrary()->fetchImageAssets()}) {
        const PortAsset& now = find(assets, "a.jpg");
        EXPECT_LT(*now.creationDate, *before.creationDate);
        EXPECT_EQ(now.pixelWidth, 12);
    }
}

// `chmod -R` over the library, with other pictures written into every file, their times put
// back, to show any file whose facts the listing reads again: it reads none. A file read whole,
// its bytes read back or measured, has its facts read again, that file alone.
TEST_F(CatalogueTest, AListingAfterAChangeOfEveryFilesStatusReadsNoFile) {
    constexpr int photos = 8;
    const auto name = [](int n) { return "day/p" + std::to_string(n) + ".jpg"; };
    for (int n = 0; n < photos; ++n)
        writeJpeg(lib(name(n)), jpeg().date("2021:07:04 18:30:0" + std::to_string(n)));
    writeJpeg(lib(".spare/other.jpg"), jpeg().size(12, 6));
    auto library = makeLibrary();
    ASSERT_EQ(library->fetchImageAssets().size(), static_cast<size_t>(photos));
    for (int n = 0; n < photos; ++n) {
        rewriteKeepingTime(lib(name(n)), readText(lib(".spare/other.jpg")));
        ::chmod(lib(name(n)).c_str(), 0640);
    }
    const auto readAgain = [](const std::vector<PortAsset>& assets) {
        return std::count_if(assets.begin(), assets.end(),
                             [](const PortAsset& asset) { return asset.pixelWidth != 16; });
    };
    EXPECT_EQ(readAgain(library->fetchImageAssets()), 0);
    EXPECT_EQ(readAgain(makeLibrary()->fetchImageAssets()), 0);
    readWhole(*library, name(3));
    readForMeasuring(*library, name(5));
    const auto assets = library->fetchImageAssets();
    EXPECT_EQ(readAgain(assets), 2);
    EXPECT_EQ(find(assets, name(3)).pixelWidth, 12);
    EXPECT_EQ(find(assets, name(5)).pixelWidth, 12);
    library.reset();
    EXPECT_EQ(readAgain(makeLibrary()->fetchImageAssets()), 2);
}

// The read-back of every file after `chmod -R` keeps the facts it read again a batch at a time.
// Killed after more than a batch, it lost only the rest, which are read again when their files
// are read whole next; the rows written are those read from the files.
TEST_F(CatalogueTest, FactsReadAgainOnAReadBackReachTheCacheABatchAtATime) {
    const int photos = static_cast<int>(Catalogue::readWholeBatch) + 2;
    const auto name = [](int n) { return "day/p" + std::to_string(n) + ".jpg"; };
    writeJpeg(lib(".spare/other.jpg"), jpeg().size(12, 6));
    const auto other = readText(lib(".spare/other.jpg"));
    for (int n = 0; n < photos; ++n)
        writeJpeg(lib(name(n)));
    ASSERT_EQ(makeLibrary()->fetchImageAssets().size(), static_cast<size_t>(photos));
    for (int n = 0; n < photos; ++n)
        rewriteKeepingTime(lib(name(n)), other);
    const auto readAll = [&](FolderPhotoLibrary& library) {
        for (int n = 0; n < photos; ++n)
            readWhole(library, name(n));
    };
    const pid_t killed = ::fork();
    if (killed == 0) {
        auto library = makeLibrary();
        readAll(*library);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    const auto readAgain = [](const std::vector<PortAsset>& assets) {
        return std::count_if(assets.begin(), assets.end(),
                             [](const PortAsset& asset) { return asset.pixelWidth == 12; });
    };
    EXPECT_EQ(readAgain(makeLibrary()->fetchImageAssets()),
              static_cast<std::ptrdiff_t>(Catalogue::readWholeBatch));
    auto library = makeLibrary();
    readAll(*library);
    library.reset();
    EXPECT_EQ(readAgain(makeLibrary()->fetchImageAssets()), photos);
}

TEST_F(CatalogueTest, AnUnreadableSubfolderThatHeldPhotographsFailsTheFetchNamingIt) {
    writeJpeg(lib("ok/a.jpg"));
    writeJpeg(lib("locked/b.jpg"));
    auto library = makeLibrary();
    ASSERT_EQ(library->fetchImageAssets().size(), 2u);
    fs->unreadableFolder = lib("locked").string();
    try {
        library->fetchImageAssets();
        ADD_FAILURE() << "the listing did not fail";
    } catch (const PortFetchError& error) {
        EXPECT_EQ(error.folder(), lib("locked").string());
        EXPECT_THAT(error.what(),
                    ::testing::HasSubstr("\u201C" + lib("locked").string() + "\u201D"));
    }
}

// lost+found at the top of every ext4 drive is readable by root alone.
TEST_F(CatalogueTest, UnreadableFoldersThatHeldNoPhotographsAndSystemFoldersAreLeftOut) {
    writeJpeg(lib("ok/a.jpg"));
    writeJpeg(lib("lost+found/#1234.jpg"));
    auto library = makeLibrary();
    EXPECT_THAT(ids(library->fetchImageAssets()), ElementsAre("ok/a.jpg"));
    std::filesystem::create_directories(lib("private"));
    fs->unreadableFolder = lib("private").string();
    EXPECT_THAT(ids(library->fetchImageAssets()), ElementsAre("ok/a.jpg"));
}

TEST_F(CatalogueTest, AnUnreadableSubfolderByPermissionsFailsTheFetch) {
    writeJpeg(lib("locked/b.jpg"));
    auto library = makeLibrary();
    library->fetchImageAssets();
    std::filesystem::permissions(lib("locked"), std::filesystem::perms::none);
    PermissionsBind bind;
    EXPECT_THROW(library->fetchImageAssets(), PortFetchError);
    std::filesystem::permissions(lib("locked"), std::filesystem::perms::owner_all);
}

TEST_F(CatalogueTest, AFileReplacedWhileListedIsReportedAsItIsNow) {
    writeJpeg(lib("a.jpg"), jpeg().rated(1));
    writeJpeg(lib("sub/b.jpg"));
    bool replaced = false;
    fs->onOpenDirectory = [&](const std::string& path) {
        if (replaced || path != lib("sub").string()) return;
        replaced = true;
        writeJpeg(lib("new.tmp"), jpeg().size(64, 32).rated(5));
        std::filesystem::rename(lib("new.tmp"), lib("a.jpg"));
    };
    auto assets = makeLibrary()->fetchImageAssets();
    ASSERT_TRUE(replaced);
    EXPECT_EQ(find(assets, "a.jpg").pixelWidth, 64);
    EXPECT_TRUE(find(assets, "a.jpg").isFavorite);
}

TEST_F(CatalogueTest, AFileRemovedWhileListedIsNoLongerListed) {
    writeJpeg(lib("a.jpg"));
    writeJpeg(lib("sub/b.jpg"));
    fs->onOpenDirectory = [&](const std::string& path) {
        if (path == lib("sub").string()) std::filesystem::remove(lib("a.jpg"));
    };
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()), ElementsAre("sub/b.jpg"));
}

TEST_F(CatalogueTest, ACorruptImageIsListedWithNeutralFacts) {
    writeText(lib("broken.jpg"), "not really a jpeg");
    auto assets = makeLibrary()->fetchImageAssets();
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0].pixelWidth, 0);
    EXPECT_TRUE(assets[0].creationDate.has_value());
}

TEST_F(CatalogueTest, ExifDatesMustMatchTheExactForm) {
    EXPECT_TRUE(exifLocalDate("2021:07:04 18:30:05").has_value());
    EXPECT_FALSE(exifLocalDate("2021-07-04 18:30:05").has_value());
    EXPECT_FALSE(exifLocalDate("2021:13:04 18:30:05").has_value());
    EXPECT_FALSE(exifLocalDate("0000:00:00 00:00:00").has_value());
    EXPECT_FALSE(exifLocalDate("").has_value());
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

TEST_F(CatalogueTest, ManyFoldersAreListedCompletelyOrTheFetchFails) {
    for (int i = 0; i < 40; ++i)
        writeJpeg(lib("f" + std::to_string(i) + "/a.jpg"));
    auto library = makeLibrary();
    EXPECT_EQ(library->fetchImageAssets().size(), 40u);
    fs->unreadableFolder = lib("f17").string();
    EXPECT_THROW(library->fetchImageAssets(), PortFetchError);
}

TEST_F(CatalogueTest, APlaceholderBesideItsDownloadedFileIsIgnored) {
    writeJpeg(lib("IMG_9.jpg"));
    writeText(lib("IMG_9.jpg.nextcloud"), "");
    auto assets = makeLibrary()->fetchImageAssets();
    ASSERT_THAT(ids(assets), ElementsAre("IMG_9.jpg"));
    EXPECT_EQ(assets[0].resources.size(), 1u);
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

// Restores the machine's zone after a test that reads dates in another one.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneScope() {
        if (previous_)
            ::setenv("TZ", previous_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> previous_;
};

TEST(ExifLocalDate, ReadsWallClockTimeInTheMachinesZoneLikeMktime) {
    for (const char* zone : {"UTC", "America/New_York", "Europe/Berlin", "Australia/Sydney"}) {
        ZoneScope scope(zone);
        for (const char* text : {"2021:01:15 12:00:00", "2021:07:04 18:30:05",
                                 "1999:12:31 23:59:59", "2021:03:29 03:30:00"}) {
            std::tm parts{};
            std::sscanf(text, "%d:%d:%d %d:%d:%d", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                        &parts.tm_hour, &parts.tm_min, &parts.tm_sec);
            parts.tm_year -= 1900, parts.tm_mon -= 1, parts.tm_isdst = -1;
            EXPECT_EQ(exifLocalDate(text), Date::fromUnix(static_cast<double>(std::mktime(&parts))))
                << zone << " " << text;
        }
    }
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

TEST_F(CatalogueTest, IdentifiersOutsideTheLibraryNameNothing) {
    writeJpeg(base / "outside.jpg");
    writeJpeg(lib("inside/a.jpg"));
    auto library = makeLibrary();
    EXPECT_TRUE(library
                    ->fetchAssetsWithLocalIdentifiers({"../outside.jpg", "inside/../../outside.jpg",
                                                       (base / "outside.jpg").string(), "",
                                                       "inside//a.jpg", "inside/./a.jpg"})
                    .empty());
    EXPECT_THAT(ids(library->fetchAssetsWithLocalIdentifiers({"inside/a.jpg", "inside/a.jpg"})),
                ElementsAre("inside/a.jpg"));
}

} // namespace
} // namespace keepsift::foldertest
