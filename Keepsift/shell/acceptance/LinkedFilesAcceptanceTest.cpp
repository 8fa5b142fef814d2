// A dotfiles manager keeps Keepsift's settings and index as links to files of the user's
// elsewhere: the real binary reads them through the links and writes where they lead.
#include <fstream>

#include "ApplicationFixture.hpp"
#include "Keepsift/shell/LibraryFolders.hpp"
#include "core/support/Base64.hpp"
#include "core/support/Json.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift::acceptance {
namespace {

std::string base64(const std::string& text) {
    return base64Encode(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

class LinkedFiles : public ApplicationAcceptance {
protected:
    fs::path settingsFile() const {
        return folder.path() / "config" / "com.ambervale.keepsift" / "defaults.json";
    }
    // Moves the file into the dotfiles folder and leaves a link to it in its place.
    fs::path linkFromDotfiles(const fs::path& file) const {
        const fs::path kept = folder.path() / "dotfiles" / file.filename();
        fs::create_directories(kept.parent_path());
        fs::rename(file, kept);
        fs::create_symlink(kept, file);
        return kept;
    }
    // A setting of the defaults file, decoded.
    static std::string setting(const std::string& text, const std::string& key) {
        const Json document = Json::parse(text);
        const Json* value = document.find(key);
        if (value == nullptr) return {};
        const auto bytes = base64Decode(value->asString());
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }
    static bool holds(const std::optional<std::string>& texts, const std::string& part) {
        return texts && texts->find(part) != std::string::npos;
    }
};

// The library chosen once and the German language, kept in settings behind a link; Keepsift is
// then started from the desktop menu, without naming a folder.
TEST_F(LinkedFiles, SettingsBehindALinkKeepTheLanguageAndTheFolderOfAStartFromTheMenu) {
    std::ofstream(settingsFile()) << R"({"keepsift.seenFirstRunNotice":")" << base64("true")
                                  << R"(","keepsift.settings":")" << base64(R"({"language":"de"})")
                                  << R"(",")" << app::rememberedLibraryKey << R"(":")"
                                  << base64(library.root.string()) << "\"}";
    const fs::path kept = linkFromDotfiles(settingsFile());
    std::optional<std::string> shown;
    {
        testing::LaunchedApp app(folder.path(), library.root, {KEEPSIFT_BINARY});
        const auto support = app.indexFolder();
        // Settings it cannot read are moved aside at once, and then no folder is tidied.
        const fs::path setAside = settingsFile().string() + ".unreadable";
        ASSERT_TRUE(testing::eventually(
            [&] { return scanned(support) || fs::exists(setAside) || !app.isRunning(); },
            acceptanceGuard()))
            << log();
        ASSERT_TRUE(scanned(support)) << "the remembered folder was not tidied\n" << log();
        shown = windowTexts(app);
        ASSERT_TRUE(shown) << log();
        EXPECT_FALSE(holds(shown, "FirstRunWindow")) << *shown;
        EXPECT_TRUE(testing::eventually(
            [&] { return holds(shown = windowTexts(app), " zum Verwerfen"); }, 60))
            << shown.value_or("no texts");
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    EXPECT_TRUE(fs::is_symlink(settingsFile()));
    const auto after = readWholeFile(kept);
    ASSERT_TRUE(after);
    EXPECT_EQ(setting(*after, app::rememberedLibraryKey), library.root.string()) << *after;
    const Json settings = Json::parse(setting(*after, "keepsift.settings"));
    const Json* language = settings.find("language");
    EXPECT_TRUE(language && language->asString() == "de") << *after;
}

// A photograph kept by hand, then the index moved into the dotfiles and linked back.
TEST_F(LinkedFiles, AnIndexBehindALinkKeepsAHandDecisionAndStaysALink) {
    fs::path support;
    std::string kept;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        const auto flagged = idsIn(*readIndex(support), isFlagged);
        ASSERT_FALSE(flagged.empty());
        kept = *flagged.begin();
        ASSERT_TRUE(app.send("keep " + kept));
        ASSERT_TRUE(testing::eventually([&] { return linkedRejects().count(kept) == 0; }, 60));
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    ASSERT_EQ(readIndex(support)->entries.at(kept).state, ReviewState::keptByHand);
    const fs::path index = support / "library-index.json";
    const fs::path target = linkFromDotfiles(index);

    std::string other;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        other = *idsIn(*readIndex(support), ReviewState::keeper).begin();
        ASSERT_TRUE(flagUntilLinked(app, other)) << log();
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    EXPECT_TRUE(fs::is_symlink(index));
    const auto after = readIndex(target.parent_path());
    ASSERT_TRUE(after);
    EXPECT_EQ(after->entries.at(kept).state, ReviewState::keptByHand);
    EXPECT_EQ(after->entries.at(other).state, ReviewState::flaggedByHand);
    EXPECT_EQ(linkedRejects().count(kept), 0u);
    EXPECT_FALSE(fs::exists(index.string() + ".unreadable"));
}

} // namespace
} // namespace keepsift::acceptance
