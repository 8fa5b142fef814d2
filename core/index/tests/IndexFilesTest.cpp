#include <cerrno>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

#include "IndexFixtures.hpp"
#include "core/index/IndexFiles.hpp"
#include "core/storage/KeptCopies.hpp"
#include "core/storage/MemoryFileStorage.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

using namespace fixtures;

const std::string indexName(IndexFiles::indexName);
const std::string journalName(IndexFiles::journalName);

struct IndexFilesTest : testing::Test {
    std::shared_ptr<MemoryFileStorage> storage = std::make_shared<MemoryFileStorage>();
    IndexFiles files{storage};

    void failNextWrite() {
        storage->setFailNextWrite(std::make_exception_ptr(std::runtime_error("disk full")));
    }
};

TEST_F(IndexFilesTest, MissingFilesLoadAsNothing) {
    EXPECT_EQ(files.loadIndex(), std::nullopt);
    EXPECT_EQ(files.loadJournal(), std::nullopt);
    EXPECT_TRUE(storage->storedNames().empty());
}

TEST_F(IndexFilesTest, SavedFilesLoadBack) {
    const LibraryIndex index = indexOf({measured(asset("a", 700000000), ReviewState::keptByHand)});
    ReviewJournal journal;
    journal.append(
        {Date{700000000}, ReviewJournal::Event::kept, "a", "a.jpg", Reason::keptOnlyOne, {}});
    files.saveIndex(index);
    files.saveJournal(journal);
    EXPECT_EQ(files.loadIndex(), index);
    EXPECT_EQ(files.loadJournal(), journal);
}

TEST_F(IndexFilesTest, UnreadableFileIsKeptBesideTheOriginalBeforeItIsReplaced) {
    const Data damaged = R"({"version":"v","entries":{"a":{"state":"pending"}}})";
    storage->write(damaged, indexName);
    std::vector<LogRecord> records;
    Logger::setSinkForTesting([&](const LogRecord& r) { records.push_back(r); });
    EXPECT_EQ(files.loadIndex(), LibraryIndex::fresh("v"));
    Logger::setSinkForTesting({});
    EXPECT_EQ(storage->read(indexName + ".unreadable"), damaged);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].message,
              "kept unreadable library-index.json as library-index.json.unreadable");
    files.saveIndex(LibraryIndex::fresh("v"));
    files.saveIndex(LibraryIndex::fresh("w"));
    EXPECT_EQ(storage->read(indexName + ".unreadable"), damaged);
    EXPECT_EQ(files.loadIndex(), LibraryIndex::fresh("w"));
}

TEST_F(IndexFilesTest, NoSaveOverwritesAnUnreadableFileUntilItsCopyExists) {
    const Data damaged = R"({"limit":2000,"entries":[]})";
    storage->write(damaged, journalName);
    failNextWrite();
    EXPECT_EQ(files.loadJournal(), ReviewJournal{});
    EXPECT_EQ(storage->read(journalName + ".unreadable"), std::nullopt);
    ReviewJournal journal;
    journal.append({Date{7e8}, ReviewJournal::Event::deleted, "a", "a.jpg", {}, 1});
    failNextWrite();
    files.saveJournal(journal);
    EXPECT_EQ(storage->read(journalName), damaged);
    EXPECT_EQ(IndexFiles(storage).loadJournal(), journal);
    files.saveJournal(journal);
    EXPECT_EQ(storage->read(journalName + ".unreadable"), damaged);
    EXPECT_EQ(storage->read(journalName + ".saved"), std::nullopt);
    EXPECT_EQ(files.loadJournal(), journal);
}

// Hand decisions of the entries that read survive one entry that does not.
TEST_F(IndexFilesTest, OneBadEntryIsDroppedAloneAndKeptInTheCopy) {
    LibraryIndex index = indexOf({measured(asset("a"), ReviewState::keptByHand),
                                  measured(asset("b"), ReviewState::flaggedByHand),
                                  measured(asset("c"), ReviewState::keeper)});
    index.ignoredGroups = {"g"};
    std::string text = index.encoded();
    const size_t state = text.rfind("\"keeper\"");
    text.replace(state, 8, "\"archived\"");
    storage->write(text, indexName);
    LibraryIndex expected = index;
    expected.entries.erase("c");
    EXPECT_EQ(files.loadIndex(), expected);
    EXPECT_EQ(storage->read(indexName + ".unreadable"), text);
}

// 300,000 levels (600 KB) once overflowed the stack on every start, before any copy was kept.
TEST_F(IndexFilesTest, DeeplyNestedFilesAreUnreadableAndKept) {
    const Data deep = std::string(300000, '[') + std::string(300000, ']');
    storage->write(deep, indexName);
    storage->write(deep, journalName);
    EXPECT_EQ(files.loadIndex(), std::nullopt);
    EXPECT_EQ(files.loadJournal(), std::nullopt);
    EXPECT_EQ(storage->read(indexName + ".unreadable"), deep);
    EXPECT_EQ(storage->read(journalName + ".unreadable"), deep);
}

TEST_F(IndexFilesTest, EveryCorruptionIsKeptUnderItsOwnNumberAndOnlyBeyondAHandfulPruned) {
    auto corrupt = [&](int n) {
        const Data damaged = "{\"version\":\"v\",\"entries\":{" + std::to_string(n);
        storage->write(damaged, indexName);
        IndexFiles(storage).loadIndex();
        return damaged;
    };
    std::vector<Data> damaged;
    for (int n = 1; n <= 3; ++n)
        damaged.push_back(corrupt(n));
    // The same damaged file met at another start is not kept twice.
    IndexFiles(storage).loadIndex();
    for (int copy = 1; copy <= 3; ++copy)
        EXPECT_EQ(storage->read(keptcopies::name(indexName, copy)), damaged[copy - 1]);
    EXPECT_FALSE(storage->read(keptcopies::name(indexName, 4)));
    EXPECT_EQ(keptcopies::name(indexName, 2), indexName + ".unreadable.2");
    for (int n = 4; n <= 7; ++n)
        damaged.push_back(corrupt(n));
    for (int copy = 1; copy <= keptcopies::limit; ++copy)
        EXPECT_EQ(storage->read(keptcopies::name(indexName, copy)), damaged[copy + 1]);
    EXPECT_FALSE(storage->read(keptcopies::name(indexName, keptcopies::limit + 1)));
}

TEST_F(IndexFilesTest, FailedSaveLeavesThePreviousFileIntact) {
    const LibraryIndex before = indexOf({measured(asset("a"), ReviewState::flaggedByHand)});
    files.saveIndex(before);
    failNextWrite();
    EXPECT_THROW(files.saveIndex(LibraryIndex::fresh("other")), std::runtime_error);
    EXPECT_EQ(files.loadIndex(), before);
}

} // namespace
} // namespace keepsift

namespace keepsift {
namespace {

// A file that is there but cannot be read, as one without read permission.
class LockedFileStorage : public MemoryFileStorage {
public:
    std::string locked;
    std::optional<Data> read(const std::string& name) const override {
        return name == locked ? std::nullopt : MemoryFileStorage::read(name);
    }
    bool exists(const std::string& name) const override {
        return MemoryFileStorage::read(name).has_value();
    }
    void move(const std::string& from, const std::string& to) override {
        write(*MemoryFileStorage::read(from), to);
        remove(from);
        if (from == locked) locked = to;
    }
    int openError(const std::string& name) const override { return name == locked ? lockError : 0; }
    // What opening the locked file answers: 0 where it opens but its content cannot be had.
    int lockError = 0;
};

// A root-owned index after one run with sudo, or a disk giving input/output errors: the
// file holds every hand decision and is not damaged, so it stays as it is, untouched by
// saves, until it can be opened and loaded again.
TEST(IndexFilesLocked, FileThatCannotBeOpenedIsNeitherMovedNorSavedOver) {
    for (int error : {EACCES, EIO}) {
        auto storage = std::make_shared<LockedFileStorage>();
        storage->write("old decisions", indexName);
        storage->locked = indexName;
        storage->lockError = error;
        IndexFiles files(storage);
        EXPECT_EQ(files.loadIndex(), std::nullopt);
        EXPECT_EQ(storage->storedNames(), std::vector<std::string>{indexName});
        EXPECT_THAT(files.unavailability().value_or(""),
                    ::testing::HasSubstr(indexName + " cannot be opened"));
        EXPECT_ANY_THROW(files.saveIndex(LibraryIndex::fresh("v")));
        EXPECT_EQ(storage->MemoryFileStorage::read(indexName), "old decisions");
        EXPECT_EQ(storage->storedNames(), std::vector<std::string>{indexName});

        // Once it opens, it is loaded before anything is saved over it.
        storage->write(LibraryIndex::fresh("w").encoded(), indexName);
        storage->locked.clear();
        EXPECT_EQ(files.unavailability(), std::nullopt);
        EXPECT_EQ(files.loadIndex(), LibraryIndex::fresh("w"));
        files.saveIndex(LibraryIndex::fresh("x"));
        EXPECT_EQ(files.loadIndex(), LibraryIndex::fresh("x"));
    }
}

TEST(IndexFilesLocked, FileThatCannotBeReadIsMovedAsideBeforeASave) {
    auto storage = std::make_shared<LockedFileStorage>();
    storage->write("old decisions", indexName);
    storage->locked = indexName;
    IndexFiles files(storage);
    EXPECT_EQ(files.loadIndex(), std::nullopt);
    EXPECT_EQ(storage->locked, indexName + ".unreadable");
    EXPECT_EQ(storage->MemoryFileStorage::read(indexName + ".unreadable"), "old decisions");
    files.saveIndex(LibraryIndex::fresh("v"));
    EXPECT_EQ(files.loadIndex(), LibraryIndex::fresh("v"));
}

} // namespace
} // namespace keepsift

namespace keepsift {
namespace {

// A disk too full for a copy of the damaged file: every write of the names it is told
// fails, as long as it is full.
class FullDiskStorage : public MemoryFileStorage {
public:
    bool full = true;
    std::set<std::string> failing;
    void write(const Data& data, const std::string& name) override {
        if (full && failing.count(name)) throw std::runtime_error("no space left on device");
        MemoryFileStorage::write(data, name);
    }
};

TEST(IndexFilesFullDisk, DecisionsMadeWhileTheDamagedFileCannotBeKeptAreSavedBesideIt) {
    auto storage = std::make_shared<FullDiskStorage>();
    storage->failing = {indexName + ".unreadable"};
    const LibraryIndex before = indexOf(
        {measured(asset("a"), ReviewState::keptByHand), measured(asset("b"), ReviewState::keeper)});
    std::string damaged = before.encoded();
    damaged.replace(damaged.rfind("\"keeper\""), 8, "\"keeperr\"");
    storage->MemoryFileStorage::write(damaged, indexName);

    IndexFiles files(storage);
    LibraryIndex index = *files.loadIndex();
    index.setState(ReviewState::flaggedByHand, "a", Date{8e8});
    files.saveIndex(index);
    EXPECT_EQ(storage->read(indexName), damaged);
    EXPECT_EQ(IndexFiles(storage).loadIndex(), index);

    // A later start meets the same damaged file and the saved decisions.
    IndexFiles restarted(storage);
    LibraryIndex later = *restarted.loadIndex();
    later.setState(ReviewState::keptByHand, "a", Date{9e8});
    restarted.saveIndex(later);
    EXPECT_EQ(storage->read(indexName), damaged);

    // With room again the damaged file is kept, replaced, and the beside copy goes.
    storage->full = false;
    restarted.saveIndex(later);
    EXPECT_EQ(storage->read(indexName + ".unreadable"), damaged);
    EXPECT_EQ(storage->read(indexName + ".saved"), std::nullopt);
    EXPECT_EQ(IndexFiles(storage).loadIndex(), later);
}

TEST(IndexFilesFullDisk, WhenNothingCanBeWrittenTheSaveFailsAndTheDamagedFileStays) {
    auto storage = std::make_shared<FullDiskStorage>();
    storage->failing = {indexName, indexName + ".unreadable", indexName + ".saved"};
    const Data damaged = R"({"version":"v","entries":{"a":{}}})";
    storage->MemoryFileStorage::write(damaged, indexName);
    IndexFiles files(storage);
    EXPECT_EQ(files.loadIndex(), LibraryIndex::fresh("v"));
    EXPECT_THROW(files.saveIndex(LibraryIndex::fresh("v")), std::runtime_error);
    EXPECT_EQ(storage->read(indexName), damaged);
    storage->full = false;
    files.saveIndex(LibraryIndex::fresh("w"));
    EXPECT_EQ(storage->read(indexName + ".unreadable"), damaged);
    EXPECT_EQ(files.loadIndex(), LibraryIndex::fresh("w"));
}

// A beside copy left over after the file was replaced never hides the newer file.
TEST(IndexFilesFullDisk, LeftoverBesideCopyIsIgnoredBesideAFileThatReads) {
    auto storage = std::make_shared<MemoryFileStorage>();
    storage->write(LibraryIndex::fresh("old").encoded(), indexName + ".saved");
    storage->write(LibraryIndex::fresh("new").encoded(), indexName);
    IndexFiles files(storage);
    EXPECT_EQ(files.loadIndex(), LibraryIndex::fresh("new"));
    files.saveIndex(LibraryIndex::fresh("newer"));
    EXPECT_EQ(storage->read(indexName + ".saved"), std::nullopt);
}

} // namespace
} // namespace keepsift
