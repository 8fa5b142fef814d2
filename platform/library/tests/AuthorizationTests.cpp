#include "FolderLibraryFixture.hpp"

#include <unistd.h>

namespace keepsift::foldertest {
namespace {

class AuthorizationTest : public FolderLibraryTest {
protected:
    int request(PhotoLibraryPort& library) {
        int answer = -1;
        library.requestAuthorization([&](int status) { answer = status; });
        return answer;
    }
};

TEST_F(AuthorizationTest, ConsentIsAskedOnceAndRemembered) {
    auto prompt = std::make_shared<ScriptedConsent>(true);
    auto opts = options();
    opts.consentPrompt = prompt;
    auto library = makeLibrary(opts);
    EXPECT_EQ(library->authorizationStatus(), port_authorization::notDetermined);
    EXPECT_EQ(prompt->asked, 0);
    EXPECT_EQ(request(*library), port_authorization::authorized);
    EXPECT_EQ(request(*library), port_authorization::authorized);
    EXPECT_EQ(prompt->asked, 1);
    EXPECT_EQ(makeLibrary()->authorizationStatus(), port_authorization::authorized);
    EXPECT_TRUE(std::filesystem::exists(base / "config/com.ambervale.keepsift"));
}

TEST_F(AuthorizationTest, DecliningDenies) {
    auto opts = options();
    opts.consentPrompt = std::make_shared<ScriptedConsent>(false);
    auto library = makeLibrary(opts);
    EXPECT_EQ(request(*library), port_authorization::denied);
    EXPECT_EQ(library->authorizationStatus(), port_authorization::denied);
}

TEST_F(AuthorizationTest, ADeclinedConsentCanBeGivenLaterAndWithdrawnAgain) {
    auto opts = options();
    auto prompt = std::make_shared<ScriptedConsent>(false);
    opts.consentPrompt = prompt;
    auto library = makeLibrary(opts);
    EXPECT_EQ(request(*library), port_authorization::denied);
    ASSERT_TRUE(library->recordConsent(true));
    EXPECT_EQ(library->authorizationStatus(), port_authorization::authorized);
    EXPECT_EQ(makeLibrary()->authorizationStatus(), port_authorization::authorized);
    EXPECT_THAT(readText(defaultConsentFile()), ::testing::HasSubstr("\"granted\""));
    ASSERT_TRUE(library->recordConsent(false));
    EXPECT_EQ(request(*library), port_authorization::denied);
    EXPECT_EQ(prompt->asked, 1);
}

TEST_F(AuthorizationTest, WithoutAPromptConsentStaysUndetermined) {
    EXPECT_EQ(request(*makeLibrary()), port_authorization::notDetermined);
}

TEST_F(AuthorizationTest, TheFilesystemNarrowsGivenConsent) {
    ConsentStore store(defaultConsentFile(), root);
    ASSERT_TRUE(store.record(true));
    EXPECT_EQ(store.status(), port_authorization::authorized);
    ConsentStore readOnly(defaultConsentFile(), root,
                          [](const std::string&, int mode) { return (mode & W_OK) == 0; });
    EXPECT_EQ(readOnly.status(), port_authorization::limited);
    ConsentStore unreadable(defaultConsentFile(), root,
                            [](const std::string&, int) { return false; });
    EXPECT_EQ(unreadable.status(), port_authorization::restricted);
    ConsentStore missing(defaultConsentFile(), base / "no-such-folder");
    EXPECT_EQ(missing.status(), port_authorization::restricted);
}

TEST_F(AuthorizationTest, AReadOnlyFolderIsLimitedByItsPermissions) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    ConsentStore store(defaultConsentFile(), root);
    ASSERT_TRUE(store.record(true));
    std::filesystem::permissions(root, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_exec);
    EXPECT_EQ(store.status(), port_authorization::limited);
    std::filesystem::permissions(root, std::filesystem::perms::owner_all);
}

TEST_F(AuthorizationTest, AnswersReplaceEachOtherAndOneThatCannotBeKeptIsReported) {
    ConsentStore store(defaultConsentFile(), root);
    ASSERT_TRUE(store.record(true));
    ASSERT_TRUE(store.record(false));
    EXPECT_EQ(store.status(), port_authorization::denied);
    const auto folder = defaultConsentFile().parent_path();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    writeText(base / "in-the-way", "a file where a folder should be");
    ConsentStore blocked(base / "in-the-way" / "consent.json", root);
    EXPECT_FALSE(blocked.record(true));
}

TEST_F(AuthorizationTest, AGarbledConsentFileAsksAgain) {
    writeText(defaultConsentFile(), "{not json");
    EXPECT_EQ(makeLibrary()->authorizationStatus(), port_authorization::notDetermined);
}

} // namespace
} // namespace keepsift::foldertest
