#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Keepsift/model/StorageNotice.hpp"
#include "Keepsift/model/tests/ModelRig.hpp"

namespace keepsift::app {
namespace {

using ::testing::HasSubstr;
using testing::ModelRig;
using testing::RigOptions;

const std::string indexName(ScanEngine::indexFileName);
const std::string journalName(ScanEngine::journalFileName);

std::optional<std::string> noticeOf(ModelRig& rig) {
    return rig.onMain([&] { return rig.model->statusNotice(); });
}

bool logged(ModelRig& rig, const std::string& text) {
    for (const LogRecord& record : rig.logRecords())
        if (record.message.find(text) != std::string::npos) return true;
    return false;
}

// The start waits at its first retry pause; the pump's first pause follows once it goes on.
void startAndAwaitRetry(ModelRig& rig) {
    rig.onMain([&] { rig.model->start(); });
    EXPECT_EQ(rig.sleeper->request(0), AppModel::storageRetryInterval);
}

TEST(StorageWait, WithoutAPlaceToKeepDecisionsNothingIsFlaggedUntilThereIs) {
    ModelRig rig;
    rig.files->setUnavailable("cannot create /home/u/.local/share/x: No space left on device");
    startAndAwaitRetry(rig);
    EXPECT_THAT(noticeOf(rig).value_or(""), HasSubstr("No space left on device"));
    EXPECT_TRUE(logged(rig, "the review cannot be saved (cannot create"));
    EXPECT_TRUE(rig.onMain([&] { return rig.model->isStorageBlocked(); }));
    rig.await([&](auto done) { rig.model->pumpOnce(done); });
    rig.await([&](auto done) { rig.model->reconcileLibrary(done); });
    EXPECT_TRUE(rig.engine->index().entries.empty());
    EXPECT_TRUE(rig.files->storedNames().empty());
    EXPECT_FALSE(rig.onMain([&] { return rig.model->hasPumpTask(); }));

    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(1), AppModel::storageRetryInterval);
    rig.files->setUnavailable(std::nullopt);
    rig.sleeper->wake();
    rig.sleeper->request(2);
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().analysed; }), 4);
    EXPECT_EQ(noticeOf(rig), std::nullopt);
    EXPECT_TRUE(logged(rig, "the review can be saved again"));
}

TEST(StorageWait, TheNoticeIsInTheUsersLanguage) {
    EXPECT_EQ(storageUnavailableNotice("cannot write in /d: Disk quota exceeded", "de"),
              "Keepsift kann deine Durchsicht gerade nicht sichern (cannot write in /d: Disk "
              "quota exceeded). Bis das wieder geht, wird nichts markiert; Keepsift versucht es "
              "weiter.");
}

// A root-owned index after a run with sudo holds every hand decision: it is left in place,
// nothing is flagged over it, and once it opens its decisions are the ones that count.
TEST(StorageWait, AnIndexThatCannotBeOpenedIsLeftAndReadOnceItOpens) {
    Data index, journal;
    {
        ModelRig first;
        first.scanAndPublish();
        first.await([&](auto done) { first.model->override(true, "a2", done); });
        ASSERT_TRUE(first.engine->save());
        index = *first.files->read(indexName);
        journal = *first.files->read(journalName);
    }
    RigOptions options;
    options.prepareFiles = [&](testing::FlakyFileStorage& files) {
        files.write(index, indexName);
        files.write(journal, journalName);
        files.setUnopened(indexName);
    };
    ModelRig rig(options);
    startAndAwaitRetry(rig);
    EXPECT_THAT(noticeOf(rig).value_or(""), HasSubstr(indexName + " cannot be opened"));
    EXPECT_TRUE(logged(rig, indexName + " is there but cannot be opened"));
    EXPECT_TRUE(rig.engine->index().entries.empty());
    EXPECT_FALSE(rig.engine->save());
    EXPECT_EQ(rig.files->storedNames(), (std::vector<std::string>{indexName, journalName}));
    EXPECT_EQ(rig.files->MemoryFileStorage::read(indexName), index);

    rig.files->setUnopened("");
    rig.sleeper->wake();
    rig.sleeper->request(1);
    EXPECT_EQ(rig.engine->index().entry("a2")->state, ReviewState::keptByHand);
    EXPECT_EQ(noticeOf(rig), std::nullopt);
}

} // namespace
} // namespace keepsift::app
