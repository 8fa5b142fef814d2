#include <gtest/gtest.h>
#include <stdexcept>

#include "IndexFixtures.hpp"
#include "core/index/IndexFiles.hpp"
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
    EXPECT_EQ(files.loadIndex(), std::nullopt);
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
    EXPECT_EQ(files.loadJournal(), std::nullopt);
    EXPECT_EQ(storage->read(journalName + ".unreadable"), std::nullopt);
    failNextWrite();
    EXPECT_THROW(files.saveJournal(ReviewJournal{}), std::runtime_error);
    EXPECT_EQ(storage->read(journalName), damaged);
    files.saveJournal(ReviewJournal{});
    EXPECT_EQ(storage->read(journalName + ".unreadable"), damaged);
    EXPECT_EQ(files.loadJournal(), ReviewJournal{});
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
};

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
