#include <gtest/gtest.h>
#include <thread>

#include "core/storage/MemoryStorage.hpp"
#include "core/store/KeepsiftStore.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

// Counts reads, so that a test can tell a cached answer from a stored one.
class CountingStorage : public MemoryStorage {
public:
    mutable int reads = 0;
    std::optional<Data> data(const std::string& key) const override {
        ++reads;
        return MemoryStorage::data(key);
    }
};

struct KeepsiftStoreTest : testing::Test {
    std::shared_ptr<CountingStorage> storage = std::make_shared<CountingStorage>();
    KeepsiftStore store{storage, "de"};
    const std::string settingsKey{KeepsiftStore::settingsKey};
    const std::string memoryKey{KeepsiftStore::telemetryMemoryKey};
    const std::string seenKey{KeepsiftStore::seenFirstRunNoticeKey};
};

TEST_F(KeepsiftStoreTest, EmptyStorageGivesDefaultsInTheSystemLanguageAndWritesThem) {
    const Settings first = store.settings();
    EXPECT_EQ(first.language, "de");
    EXPECT_EQ(storage->data(settingsKey), first.toJson().dump());
    const int reads = storage->reads;
    EXPECT_EQ(store.settings(), first);
    EXPECT_EQ(storage->reads, reads);
}

TEST_F(KeepsiftStoreTest, RecordWithoutLanguageReadsAsEnglishAndIsNotRewritten) {
    const Data stored = R"({"isPaused":true})";
    storage->set(stored, settingsKey);
    const Settings s = store.settings();
    EXPECT_EQ(s.language, "en");
    EXPECT_TRUE(s.isPaused);
    EXPECT_EQ(storage->data(settingsKey), stored);
}

TEST_F(KeepsiftStoreTest, RecordThatIsNotAnObjectIsReplacedByTheDefaultsWithANotice) {
    std::vector<LogRecord> records;
    Logger::setSinkForTesting([&](const LogRecord& r) { records.push_back(r); });
    storage->set(Data("[1,2]"), settingsKey);
    EXPECT_EQ(store.settings().language, "de");
    Logger::setSinkForTesting({});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].category, "store");
    EXPECT_EQ(Settings::fromJson(Json::parse(*storage->data(settingsKey))).language, "de");
}

TEST_F(KeepsiftStoreTest, SavedSettingsWinOverLaterForeignWrites) {
    Settings saved;
    saved.reviewNudge = ReviewNudge::at200;
    store.saveSettings(saved);
    storage->set(Data("{}"), settingsKey);
    EXPECT_EQ(store.settings(), saved);
}

TEST_F(KeepsiftStoreTest, OverlappingSavesLeaveCacheAndStorageAgreeing) {
    std::vector<std::jthread> savers;
    for (int t = 0; t < 4; ++t)
        savers.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                Settings s;
                s.language = std::to_string(t * 100 + i);
                store.saveSettings(s);
            }
        });
    savers.clear();
    EXPECT_EQ(Settings::fromJson(Json::parse(*storage->data(settingsKey))), store.settings());
}

TEST_F(KeepsiftStoreTest, FirstRunFlagReadsOnlyBooleans) {
    EXPECT_FALSE(store.hasSeenFirstRunNotice());
    store.setSeenFirstRunNotice(true);
    EXPECT_EQ(storage->data(seenKey), "true");
    EXPECT_TRUE(store.hasSeenFirstRunNotice());
    storage->set(Data("1"), seenKey);
    EXPECT_FALSE(store.hasSeenFirstRunNotice());
    storage->set(Data("\"true\""), seenKey);
    EXPECT_FALSE(store.hasSeenFirstRunNotice());
}

TEST_F(KeepsiftStoreTest, UnusableTelemetryMemoryReadsAsInitialAndStaysStored) {
    EXPECT_EQ(store.telemetryMemory(), TelemetryMemory{});
    const Data broken = R"({"lastPermission":"authorized"})";
    storage->set(broken, memoryKey);
    EXPECT_EQ(store.telemetryMemory(), TelemetryMemory{});
    EXPECT_EQ(storage->data(memoryKey), broken);
}

TEST_F(KeepsiftStoreTest, TelemetryMemoryIsStoredWithSecondsSince2001) {
    const TelemetryMemory memory{Date{812345678.25}, true, LibraryAuthorization::limited};
    store.saveTelemetryMemory(memory);
    EXPECT_EQ(
        storage->data(memoryKey),
        R"({"lastHeartbeat":812345678.25,"hasReportedFirstScan":true,"lastPermission":"limited"})");
    EXPECT_EQ(store.telemetryMemory(), memory);
}

TEST(TelemetryMemory, RoundTripsInBothDateForms) {
    const TelemetryMemory memory{Date{812345678}, false, LibraryAuthorization::denied};
    for (DateForm form : {DateForm::iso8601, DateForm::secondsSince2001})
        EXPECT_EQ(TelemetryMemory::fromJson(Json::parse(memory.toJson(form).dump()), form), memory);
    EXPECT_EQ(TelemetryMemory{}.toJson(DateForm::iso8601).dump(),
              R"({"hasReportedFirstScan":false})");
}

TEST(TelemetryMemory, UnknownPermissionTextFailsTheRecord) {
    EXPECT_THROW(TelemetryMemory::fromJson(
                     Json::parse(R"({"hasReportedFirstScan":true,"lastPermission":"maybe"})"),
                     DateForm::secondsSince2001),
                 JsonError);
    EXPECT_EQ(TelemetryMemory::fromJson(
                  Json::parse(R"({"hasReportedFirstScan":true,"lastHeartbeat":null})"),
                  DateForm::secondsSince2001),
              (TelemetryMemory{std::nullopt, true, std::nullopt}));
}

} // namespace
} // namespace keepsift
