#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <tuple>

#include "core/index/IndexFiles.hpp"
#include "core/support/Logger.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/BlockedByPipes.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"

namespace keepsift {
namespace {

using namespace std::chrono_literals;

// What is found in place of one of Keepsift's own files.
enum class StandIn {
    pipe,
    linkToPipe,
    folder,
    linkToFolder,
    oversized,
    linkToOversized,
    undecodable
};

std::string nameOf(StandIn standIn) {
    switch (standIn) {
    case StandIn::pipe:
        return "Pipe";
    case StandIn::linkToPipe:
        return "LinkToPipe";
    case StandIn::folder:
        return "Folder";
    case StandIn::linkToFolder:
        return "LinkToFolder";
    case StandIn::oversized:
        return "Oversized";
    case StandIn::linkToOversized:
        return "LinkToOversized";
    case StandIn::undecodable:
        return "Undecodable";
    }
    return "?";
}

// What a link leads to, or nothing for a stand-in that is no link.
std::optional<StandIn> ledTo(StandIn standIn) {
    switch (standIn) {
    case StandIn::linkToPipe:
        return StandIn::pipe;
    case StandIn::linkToFolder:
        return StandIn::folder;
    case StandIn::linkToOversized:
        return StandIn::oversized;
    default:
        return std::nullopt;
    }
}

const auto everyStandIn =
    ::testing::Values(StandIn::pipe, StandIn::linkToPipe, StandIn::folder, StandIn::linkToFolder,
                      StandIn::oversized, StandIn::linkToOversized, StandIn::undecodable);

// A list of photographs far longer than one identifier per photograph of a small library.
std::string longIdList(const std::string& key) {
    std::string text = "{\"" + key + "\":[";
    for (int i = 0; i < 20000; ++i)
        text += (i ? ",\"" : "\"") + std::string("made-up/photograph-") + std::to_string(i) + "\"";
    return text + "]}";
}

// A burst of four frames (three flagged) and one photograph alone; the engine keeps its files
// in the real data folder.
class EnginePrivateFilesBase : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        Logger::setSinkForTesting([this](const LogRecord& record) {
            std::lock_guard lock(logMutex);
            logged.push_back(record.message);
        });
        for (int frame = 0; frame < 4; ++frame)
            writeJpeg("burst-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        folder = root / "data" / "com.ambervale.keepsift";
        files = std::make_shared<ApplicationSupportStorage>(
            ApplicationSupportStorage::inDirectory(folder));
        start();
        engine->reconcileWithLibrary();
        analyseAll();
        refresh();
        ASSERT_EQ(idsIn(ReviewState::flagged).size(), 3u);
        ASSERT_EQ(linked(), flagged());
        engine->flush();
    }
    void TearDown() override {
        engine.reset();
        Logger::setSinkForTesting({});
        EngineOverFolder::TearDown();
    }

    // Builds the engine, failing the test when it is blocked.
    void start() {
        startServices();
        ASSERT_TRUE(testing::finishesWithin(
            60s,
            [this] {
                engine = std::make_unique<ScanEngine>(services.library, services.extractor, files,
                                                      std::make_shared<SystemClock>());
            },
            pipes))
            << "the engine did not start within a minute";
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    }
    void restart() {
        engine.reset();
        services = {};
        start();
    }
    void refresh() {
        engine->reconcileWithLibrary();
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
    }

    // Puts the stand-in where the file is; `content` is what the file would legitimately hold.
    // A link leads to the stand-in put elsewhere.
    void putInPlace(const std::string& name, StandIn standIn, const std::string& content,
                    std::uintmax_t bound) {
        const auto path = folder / name;
        std::filesystem::remove(path);
        const auto target = ledTo(standIn);
        if (!target) return make(path, standIn, content, bound);
        const auto elsewhere = root / "elsewhere";
        std::filesystem::create_directories(elsewhere);
        make(elsewhere / name, *target, content, bound);
        std::filesystem::create_symlink(elsewhere / name, path);
    }
    void make(const std::filesystem::path& path, StandIn standIn, const std::string& content,
              std::uintmax_t bound) {
        switch (standIn) {
        case StandIn::pipe:
            return makePipe(path);
        case StandIn::folder:
            std::filesystem::create_directory(path);
            return replaceFileAtomically(path / "inside", content);
        case StandIn::oversized:
            // A file larger than any it can legitimately be, sparse where the bound is large.
            replaceFileAtomically(path, content.size() > bound ? content : "");
            if (content.size() <= bound) std::filesystem::resize_file(path, bound + 1);
            return;
        case StandIn::undecodable:
            return replaceFileAtomically(path, "{\"not\": [\"what");
        default:
            FAIL() << "a link is made by putInPlace";
        }
    }
    void makePipe(const std::filesystem::path& path) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
        pipes.push_back(path);
    }

    bool loggedAbout(const std::string& name) {
        std::lock_guard lock(logMutex);
        return std::any_of(logged.begin(), logged.end(),
                           [&](const std::string& line) { return line.find(name) != line.npos; });
    }
    std::string log() {
        std::lock_guard lock(logMutex);
        std::string text;
        for (const auto& line : logged)
            text += line + "\n";
        return text;
    }

    std::vector<std::string> decidedByHandOrDeleted() const {
        std::vector<std::string> ids;
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.state == ReviewState::keptByHand ||
                entry.state == ReviewState::flaggedByHand || entry.state == ReviewState::deleted)
                ids.push_back(id);
        return ids;
    }
    int journalled(ReviewJournal::Event event) const {
        const auto entries = engine->journal().entries();
        return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                              [&](const auto& e) { return e.event == event; }));
    }
    std::string stored(const std::string& name) const {
        return readWholeFile(folder / name).value_or("");
    }

    std::filesystem::path folder;
    std::shared_ptr<ApplicationSupportStorage> files;
    std::vector<std::filesystem::path> pipes;
    std::mutex logMutex;
    std::vector<std::string> logged;
};

// Each of the engine's files, and what may be found in its place.
class EnginePrivateFiles : public EnginePrivateFilesBase,
                           public ::testing::WithParamInterface<std::tuple<std::string, StandIn>> {
protected:
    std::string fileName() const { return std::get<0>(GetParam()); }

    // What the file legitimately holds (or would), and the largest it may be.
    std::pair<std::string, std::uintmax_t> legitimate() {
        const std::string name = fileName();
        if (name == IndexFiles::indexName) return {stored(name), IndexFiles::largestIndexBytes};
        if (name == IndexFiles::journalName) return {stored(name), IndexFiles::largestJournalBytes};
        if (name == UnsettledAlbum::fileName) return {longIdList("unsettled"), 0};
        return {longIdList("ids"), 0};
    }
};

// Whatever is in its place, the engine starts, says which file it could not read, and takes
// nothing for the user's decision: every photograph is decided and linked as before.
TEST_P(EnginePrivateFiles, TheEngineStartsSaysWhichFileAndTakesNothingForADecision) {
    const auto flaggedBefore = flagged();
    const auto [content, bound] = legitimate();
    engine.reset();
    services = {};
    putInPlace(fileName(), std::get<1>(GetParam()), content, bound);
    start();
    EXPECT_TRUE(loggedAbout(fileName())) << log();
    engine->reconcileWithLibrary();
    analyseAll();
    refresh();
    engine->flush();
    EXPECT_EQ(flagged(), flaggedBefore);
    EXPECT_EQ(linked(), flagged());
    EXPECT_EQ(decidedByHandOrDeleted(), std::vector<std::string>{});
    EXPECT_EQ(journalled(ReviewJournal::Event::unflaggedElsewhere), 0);
    EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag), 0);
    EXPECT_EQ(journalled(ReviewJournal::Event::deletedElsewhere), 0);
    if (ledTo(std::get<1>(GetParam())) == StandIn::folder) {
        EXPECT_EQ(readWholeFile(root / "elsewhere" / fileName() / "inside"), content)
            << "the folder a link led to changed";
    }
}

INSTANTIATE_TEST_SUITE_P(EachFile, EnginePrivateFiles,
                         ::testing::Combine(::testing::Values(std::string(IndexFiles::indexName),
                                                              std::string(IndexFiles::journalName),
                                                              std::string(UnsettledAlbum::fileName),
                                                              std::string(TrashIntent::fileName)),
                                            everyStandIn),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param);
                             name.erase(std::remove_if(name.begin(), name.end(),
                                                       [](char c) { return !std::isalpha(c); }),
                                        name.end());
                             return name + nameOf(std::get<1>(info.param));
                         });

class UnreadableUnsettledList : public EnginePrivateFilesBase,
                                public ::testing::WithParamInterface<StandIn> {};

// A write of Keepsift's own was cut short while it took a flagged frame's link out, and the list
// that says so cannot be read: the missing link is no decision, and it is written back.
TEST_P(UnreadableUnsettledList, AMissingLinkIsNoDecisionAndIsWrittenBack) {
    const auto flaggedBefore = flagged();
    const auto frame = flaggedBefore.front();
    engine.reset();
    services = {};
    for (const auto& link : std::filesystem::directory_iterator(album()))
        if (std::filesystem::canonical(link.path()) == std::filesystem::canonical(pictures / frame))
            std::filesystem::remove(link.path());
    putInPlace(std::string(UnsettledAlbum::fileName), GetParam(), longIdList("unsettled"), 0);
    start();
    refresh();
    EXPECT_EQ(engine->index().entries.at(frame).state, ReviewState::flagged);
    EXPECT_EQ(journalled(ReviewJournal::Event::unflaggedElsewhere), 0);
    EXPECT_EQ(flagged(), flaggedBefore);
    EXPECT_EQ(linked(), flaggedBefore);
    // Settled by that listing, as a readable list would have been.
    restart();
    refresh();
    EXPECT_EQ(linked(), flaggedBefore);
}

INSTANTIATE_TEST_SUITE_P(EachStandIn, UnreadableUnsettledList, everyStandIn,
                         [](const auto& info) { return nameOf(info.param); });

// A dotfiles manager keeps the engine's files as links to files of the user's elsewhere.

class EngineLinkedFiles : public EnginePrivateFilesBase {
protected:
    // A flagged frame kept by hand, then the engine stopped and its files moved into the
    // dotfiles with links left in their place.
    std::string keepAFrameAndLinkTheFiles() {
        const auto kept = flagged().front();
        engine->override(kept, true);
        engine->flush();
        engine.reset();
        services = {};
        std::filesystem::create_directories(dotfiles());
        for (const auto& name : names) {
            std::filesystem::rename(folder / name, dotfiles() / name);
            std::filesystem::create_symlink(dotfiles() / name, folder / name);
        }
        return kept;
    }
    bool noneSetAside() const {
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().filename().string().find(".unreadable") != std::string::npos)
                return false;
        return true;
    }

    std::filesystem::path dotfiles() const { return root / "dotfiles"; }

    const std::vector<std::string> names{std::string(IndexFiles::indexName),
                                         std::string(IndexFiles::journalName)};
};

TEST_F(EngineLinkedFiles, AreReadAndWrittenWhereTheyLeadAndStayLinks) {
    const auto kept = keepAFrameAndLinkTheFiles();
    start();
    refresh();
    EXPECT_EQ(stateOf(kept), ReviewState::keptByHand) << log();
    EXPECT_EQ(EngineOverFolder::journalled(ReviewJournal::Event::overriddenToKeep, kept), 1);
    const auto links = linked();
    EXPECT_EQ(links, flagged());
    EXPECT_EQ(std::count(links.begin(), links.end(), kept), 0);

    ASSERT_FALSE(flagged().empty());
    const auto another = flagged().front();
    engine->override(another, true);
    engine->flush();
    for (const auto& name : names) {
        EXPECT_TRUE(std::filesystem::is_symlink(folder / name)) << name;
        EXPECT_NE(readWholeFile(dotfiles() / name).value_or("").find(another), std::string::npos)
            << name;
    }
    EXPECT_TRUE(noneSetAside());
}

// The dotfiles' storage is away at the start: the links lead into no folder. That is no missing
// review but one that cannot be had, as an unreadable index is (nothing is flagged while it
// is): nothing is written over the links, and the review is read once it is back.
TEST_F(EngineLinkedFiles, LeadingIntoStorageThatIsAwayAreReadOnceItIsBack) {
    const auto kept = keepAFrameAndLinkTheFiles();
    const auto away = root / "away";
    std::filesystem::rename(dotfiles(), away);
    start();
    EXPECT_NE(engine->storageUnavailability().value_or("").find("Link has been severed"),
              std::string::npos);
    engine->flush();
    for (const auto& name : names)
        EXPECT_TRUE(std::filesystem::is_symlink(folder / name)) << name;
    EXPECT_TRUE(noneSetAside());

    std::filesystem::rename(away, dotfiles());
    EXPECT_EQ(engine->storageUnavailability(), std::nullopt);
    engine->reloadFiles();
    refresh();
    EXPECT_EQ(stateOf(kept), ReviewState::keptByHand) << log();
    const auto links = linked();
    EXPECT_EQ(std::count(links.begin(), links.end(), kept), 0);
}

} // namespace
} // namespace keepsift
