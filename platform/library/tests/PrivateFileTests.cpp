#include "FolderLibraryFixture.hpp"

#include <chrono>
#include <sys/stat.h>

#include "platform/files/tests/BlockedByPipes.hpp"
#include "platform/library/ConsentStore.hpp"
#include "platform/library/MetadataCache.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::UnorderedElementsAre;

// A pipe, or a link to a pipe or a folder, in place of one of the library's own files (the
// user's answer, the catalogue cache): the library neither waits on it nor reads through it.
class PrivateFileTest : public FolderLibraryTest,
                        public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        FolderLibraryTest::SetUp();
        writeJpeg(lib("a.jpg"));
        consentFile = defaultConsentFile();
        std::filesystem::create_directories(consentFile.parent_path());
        std::filesystem::create_directories(defaultCatalogueFile().parent_path());
    }
    // Puts the stand-in named by the parameter in the file's place; a folder elsewhere holds
    // a file with `content`.
    void putInPlace(const std::filesystem::path& file, const std::string& content) {
        const auto pipe = base / (file.filename().string() + ".pipe");
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        pipes.push_back(pipe);
        const auto elsewhere = base / (file.filename().string() + ".elsewhere");
        writeText(elsewhere / file.filename(), content);
        if (GetParam() == "pipe") std::filesystem::rename(pipe, file);
        if (GetParam() == "pipe") pipes.back() = file;
        if (GetParam() == "link to a pipe") std::filesystem::create_symlink(pipe, file);
        if (GetParam() == "link to a folder") std::filesystem::create_symlink(elsewhere, file);
    }

    std::filesystem::path consentFile;
    std::vector<std::filesystem::path> pipes;
};

TEST_P(PrivateFileTest, TheAnswerIsAskedAgain) {
    putInPlace(consentFile, R"({"consent":"granted"})");
    int status = -1;
    ASSERT_TRUE(testing::finishesWithin(
        std::chrono::seconds(60), [&] { status = makeLibrary()->authorizationStatus(); }, pipes))
        << "the library waited on the answer's file";
    EXPECT_EQ(status, port_authorization::notDetermined);
}

TEST_P(PrivateFileTest, TheCatalogueCacheIsMadeAfresh) {
    // SQLite takes an empty file for an empty database.
    putInPlace(defaultCatalogueFile(), "");
    std::vector<PortAsset> assets;
    ASSERT_TRUE(testing::finishesWithin(
        std::chrono::seconds(60), [&] { assets = makeLibrary()->fetchImageAssets(); }, pipes))
        << "the library waited on its catalogue cache";
    EXPECT_THAT(ids(assets), UnorderedElementsAre("a.jpg"));
    struct stat info {};
    ASSERT_EQ(::lstat(defaultCatalogueFile().c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
}

INSTANTIATE_TEST_SUITE_P(EachStandIn, PrivateFileTest,
                         ::testing::Values("pipe", "link to a pipe", "link to a folder"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, ' ');
                             return name;
                         });

// A dotfiles manager keeps the library's own files as links to files elsewhere.
class LinkedFileTest : public FolderLibraryTest {
protected:
    void SetUp() override {
        FolderLibraryTest::SetUp();
        writeJpeg(lib("a.jpg"));
    }
    // The file, kept elsewhere with `content`, and a link to it in its place.
    std::filesystem::path linkElsewhere(const std::filesystem::path& file,
                                        const std::string& content) {
        const auto elsewhere = base / "dotfiles" / file.filename();
        writeText(elsewhere, content);
        std::filesystem::create_directories(file.parent_path());
        std::filesystem::create_symlink(elsewhere, file);
        return elsewhere;
    }
};

TEST_F(LinkedFileTest, TheAnswerBehindALinkIsRead) {
    linkElsewhere(defaultConsentFile(), R"({"consent":"granted"})");
    EXPECT_EQ(makeLibrary()->authorizationStatus(), port_authorization::authorized);
}

// SQLite takes an empty file for an empty database; it is made where the link leads.
TEST_F(LinkedFileTest, TheCatalogueCacheBehindALinkIsKeptWhereItLeads) {
    const auto elsewhere = linkElsewhere(defaultCatalogueFile(), "");
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()), UnorderedElementsAre("a.jpg"));
    EXPECT_TRUE(std::filesystem::is_symlink(defaultCatalogueFile()));
    EXPECT_GT(std::filesystem::file_size(elsewhere), 0u);
    EXPECT_EQ(std::filesystem::status(elsewhere).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

} // namespace
} // namespace keepsift::foldertest
