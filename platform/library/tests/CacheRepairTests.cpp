#include "FolderLibraryFixture.hpp"

#include <sqlite3.h>
#include <sys/stat.h>

namespace keepsift::foldertest {
namespace {

using ::testing::UnorderedElementsAre;

class CacheRepairTest : public FolderLibraryTest {
protected:
    void run(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(defaultCatalogueFile().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    // The cache names every photograph: only its user reads it. Its log is there while the
    // cache is open.
    void expectPrivate() {
        const auto file = defaultCatalogueFile();
        for (const auto& [path, mode] :
             {std::pair{file.parent_path(), 0700u}, std::pair{file, 0600u},
              std::pair{std::filesystem::path(file.string() + "-wal"), 0600u}}) {
            struct stat info {};
            if (::stat(path.c_str(), &info) != 0 && path.string().ends_with("-wal")) continue;
            ASSERT_EQ(::stat(path.c_str(), &info), 0) << path;
            EXPECT_EQ(info.st_mode & 07777, mode) << path;
        }
    }
};

TEST_F(CacheRepairTest, TheCacheIsPrivate) {
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    library->fetchImageAssets();
    ASSERT_TRUE(std::filesystem::exists(defaultCatalogueFile().string() + "-wal"));
    expectPrivate();
}

TEST_F(CacheRepairTest, ARowWithoutAPathMakesTheCacheBeRebuilt) {
    writeJpeg(lib("a.jpg"), jpeg().rated(5));
    writeJpeg(lib("b.jpg"));
    std::filesystem::create_directories(defaultCatalogueFile().parent_path());
    run("CREATE TABLE facts(path TEXT, size INTEGER, mtime_ns INTEGER, inode INTEGER, "
        "readable INTEGER, width INTEGER, height INTEGER, date_original TEXT, "
        "orientation INTEGER, rating INTEGER, edit_history INTEGER);"
        "INSERT INTO facts VALUES(NULL, 1, 2, 3, 1, 10, 10, NULL, 1, NULL, 0)");
    for (int listing = 0; listing < 2; ++listing) {
        auto assets = makeLibrary()->fetchImageAssets();
        EXPECT_THAT(ids(assets), UnorderedElementsAre("a.jpg", "b.jpg"));
        EXPECT_TRUE(find(assets, "a.jpg").isFavorite);
    }
}

// Rows written before change times were kept still serve, so an upgrade reads no file again;
// the first listing records each file's change time.
TEST_F(CacheRepairTest, ACacheOfAnEarlierBuildServesItsRowsAndLearnsChangeTimes) {
    writeJpeg(lib("a.jpg"), jpeg().size(40, 20));
    makeLibrary()->fetchImageAssets();
    run("ALTER TABLE facts DROP COLUMN ctime_ns; UPDATE facts SET width = 99");
    EXPECT_EQ(find(makeLibrary()->fetchImageAssets(), "a.jpg").pixelWidth, 99);
    run("UPDATE facts SET width = 98 WHERE ctime_ns > 0");
    EXPECT_EQ(find(makeLibrary()->fetchImageAssets(), "a.jpg").pixelWidth, 98);
}

TEST_F(CacheRepairTest, ACacheThatIsNoDatabaseIsReplaced) {
    writeJpeg(lib("a.jpg"));
    writeText(defaultCatalogueFile(), std::string(4096, 'x'));
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()), UnorderedElementsAre("a.jpg"));
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()), UnorderedElementsAre("a.jpg"));
    expectPrivate();
    EXPECT_NE(readText(defaultCatalogueFile()).substr(0, 15), std::string(15, 'x'));
}

} // namespace
} // namespace keepsift::foldertest
