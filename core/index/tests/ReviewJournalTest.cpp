#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "core/index/IndexEntry.hpp"
#include "core/index/ReviewJournal.hpp"

namespace keepsift {
namespace {

using Event = ReviewJournal::Event;
using Entry = ReviewJournal::Entry;

Entry entry(Event event, std::string id, double at = 0) {
    return Entry{Date{at}, event, id, id + ".jpg", std::nullopt, std::nullopt};
}

std::vector<std::string> ids(const ReviewJournal& journal) {
    std::vector<std::string> out;
    for (const auto& e : journal.entries())
        out.push_back(e.assetID);
    return out;
}

// The trim as described: one walk from the newest entry with a budget of `limit`.
std::vector<Entry> walkTrim(std::vector<Entry> entries, std::int64_t limit) {
    if (static_cast<std::int64_t>(entries.size()) <= limit) return entries;
    std::vector<Entry> kept;
    std::int64_t budget = limit;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (isDeletion(it->event)) {
            kept.push_back(*it);
        } else if (budget >= 1) {
            kept.push_back(*it);
            --budget;
        }
    }
    return {kept.rbegin(), kept.rend()};
}

TEST(ReviewJournal, TrimDropsTheOldestOtherEntryAndKeepsDeletions) {
    ReviewJournal journal(3, {entry(Event::kept, "p1"), entry(Event::deleted, "p2"),
                              entry(Event::kept, "p3"), entry(Event::kept, "p4")});
    journal.append(entry(Event::kept, "p5"));
    EXPECT_EQ(ids(journal), (std::vector<std::string>{"p2", "p3", "p4", "p5"}));
}

TEST(ReviewJournal, DeletionsMayExceedTheLimit) {
    ReviewJournal journal(2, {entry(Event::deleted, "d1"), entry(Event::deleted, "d2"),
                              entry(Event::deletedElsewhere, "d3")});
    journal.append(entry(Event::kept, "k1"));
    journal.append(entry(Event::kept, "k2"));
    EXPECT_EQ(journal.count(), 5u);
    journal.append(entry(Event::kept, "k3"));
    EXPECT_EQ(ids(journal), (std::vector<std::string>{"d1", "d2", "d3", "k2", "k3"}));
}

TEST(ReviewJournal, AmortisedTrimMatchesTheWalkOnRandomHistories) {
    std::mt19937 random(7);
    for (std::int64_t limit : {-1, 0, 1, 3, 10}) {
        std::vector<Entry> start;
        for (int i = 0; i < 15; ++i)
            start.push_back(entry(Event::kept, "s" + std::to_string(i)));
        ReviewJournal journal(limit, start);
        std::vector<Entry> reference = start;
        for (int i = 0; i < 300; ++i) {
            const auto event = static_cast<Event>(random() % 7);
            const Entry next = entry(event, std::to_string(i), i);
            journal.append(next);
            reference.push_back(next);
            reference = walkTrim(reference, limit);
            ASSERT_EQ(journal.entries(), reference) << "limit " << limit << " step " << i;
        }
    }
}

TEST(ReviewJournal, CountsDeletionsRecentAndBatches) {
    ReviewJournal journal;
    journal.append(entry(Event::deleted, "a"));
    journal.append(entry(Event::kept, "b"));
    journal.append(entry(Event::deletedElsewhere, "c"));
    journal.append(entry(Event::deleted, "d"));
    EXPECT_EQ(journal.deletedCount(), 2);
    EXPECT_EQ(journal.deletions().size(), 3u);
    EXPECT_TRUE(journal.recent(0).empty());
    EXPECT_EQ(journal.recent(2).front().assetID, "c");
    EXPECT_EQ(journal.recent(10).size(), 4u);
    EXPECT_EQ(journal.nextBatch(), 1);
    EXPECT_EQ(journal.nextBatch(), 2);
    EXPECT_FALSE(journal.isEmpty());
}

TEST(ReviewJournal, AWithdrawnDeletionIsOnlyThatPhotographsDeletedElsewhereAtThatSecond) {
    ReviewJournal journal(2000,
                          {entry(Event::deletedElsewhere, "a", 10.5),
                           entry(Event::deletedElsewhere, "a", 20), entry(Event::deleted, "b", 10),
                           entry(Event::kept, "c", 10), entry(Event::deletedElsewhere, "c", 10)});
    journal.withdrawDeletedElsewhere({{"a", Date{10}}, {"b", Date{10}}, {"x", Date{10}}});
    EXPECT_EQ(ids(journal), (std::vector<std::string>{"a", "b", "c", "c"}));
    EXPECT_EQ(journal.deletions().front().at, Date{20});
    journal.append(entry(Event::deletedElsewhere, "d", 30));
    EXPECT_EQ(journal.deletions().size(), 4u);
}

TEST(ReviewJournal, BatchCounterReadFromAFileAtTheLargestNumberDoesNotOverflow) {
    const auto largest = std::numeric_limits<std::int64_t>::max();
    auto journal = ReviewJournal::decode(R"({"limit":5,"entries":[],"batches":)" +
                                         std::to_string(largest) + "}");
    EXPECT_EQ(journal.nextBatch(), largest);
    EXPECT_EQ(journal.batches(), largest);
}

TEST(ReviewJournal, RecordTakesIdentifierNameAndReasonFromTheIndexEntry) {
    IndexEntry indexEntry;
    indexEntry.asset.id = "id1";
    indexEntry.asset.filename = "IMG_1.HEIC";
    indexEntry.reason = Reason::flaggedEyesClosed;
    ReviewJournal journal;
    journal.record(Event::deleted, indexEntry, Date{5}, 3);
    EXPECT_EQ(journal.entries().front(),
              (Entry{Date{5}, Event::deleted, "id1", "IMG_1.HEIC", Reason::flaggedEyesClosed, 3}));
}

TEST(ReviewJournal, RoundTripsInBothDateForms) {
    ReviewJournal journal(2500, {}, 4);
    journal.append(Entry{Date{800000000}, Event::overriddenToFlag, "x", "x.jpg",
                         Reason::flaggedCloseSecond, std::nullopt});
    journal.append(Entry{Date{800000001}, Event::deleted, "y", "y.jpg", std::nullopt, 4});
    for (DateForm form : {DateForm::iso8601, DateForm::secondsSince2001})
        EXPECT_EQ(ReviewJournal::fromJson(Json::parse(journal.toJson(form).dump()), form), journal);
    EXPECT_EQ(ReviewJournal::decode(journal.encoded()), journal);
}

TEST(ReviewJournal, FileDatesKeepWholeSeconds) {
    ReviewJournal journal;
    journal.append(entry(Event::kept, "a", 800000000.75));
    EXPECT_EQ(ReviewJournal::decode(journal.encoded()).entries().front().at, Date{800000000});
}

TEST(ReviewJournal, NullReasonAndMissingBatchReadAsAbsentAndAreNotWritten) {
    const ReviewJournal journal = ReviewJournal::decode(
        R"({"limit":2000,"entries":[{"at":"2026-01-02T03:04:05Z","event":"kept",)"
        R"("assetID":"a","filename":"a.jpg","reason":null}],"batches":0})");
    const Entry e = journal.entries().front();
    EXPECT_EQ(e.reason, std::nullopt);
    EXPECT_EQ(e.batch, std::nullopt);
    EXPECT_EQ(journal.encoded(),
              R"({"limit":2000,"entries":[{"at":"2026-01-02T03:04:05Z","event":"kept",)"
              R"("assetID":"a","filename":"a.jpg"}],"batches":0})");
}

TEST(ReviewJournal, MissingKeysOrUnknownTextsFailTheWholeJournal) {
    EXPECT_THROW(ReviewJournal::decode(R"({"limit":2000,"entries":[]})"), JsonError);
    EXPECT_THROW(ReviewJournal::decode(
                     R"({"limit":1,"entries":[{"at":"2026-01-02T03:04:05Z","event":"archived",)"
                     R"("assetID":"a","filename":"a"}],"batches":0})"),
                 JsonError);
    EXPECT_THROW(ReviewJournal::decode(
                     R"({"limit":1,"entries":[{"at":"2026-01-02T03:04:05Z","event":"kept",)"
                     R"("assetID":"a","filename":"a","reason":"keptLuckily"}],"batches":0})"),
                 JsonError);
    EXPECT_THROW(ReviewJournal::decode(R"({"limit":1.5,"entries":[],"batches":0})"), JsonError);
}

TEST(ReviewJournal, StoredLimitIsBroughtIntoTheSaneRange) {
    auto limitRead = [](std::string limit) {
        return ReviewJournal::decode(R"({"limit":)" + limit + R"(,"entries":[],"batches":0})")
            .limit();
    };
    EXPECT_EQ(limitRead("-5"), ReviewJournal::smallestStoredLimit);
    EXPECT_EQ(limitRead("0"), ReviewJournal::smallestStoredLimit);
    EXPECT_EQ(limitRead("3000"), 3000);
    EXPECT_EQ(limitRead("9223372036854775807"), ReviewJournal::largestStoredLimit);
    // A limit of -5 taken as it stood dropped the whole history on the next append.
    std::string entries;
    for (int i = 0; i < 50; ++i)
        entries += std::string(i ? "," : "") + R"({"at":"2026-01-02T03:04:05Z","event":"kept",)" +
                   R"("assetID":"a)" + std::to_string(i) + R"(","filename":"a.jpg"})";
    auto journal =
        ReviewJournal::decode(R"({"limit":-5,"entries":[)" + entries + R"(],"batches":0})");
    journal.append(entry(Event::kept, "new"));
    EXPECT_EQ(journal.count(), 51u);
}

Entry storedEntry(Event event, std::string id, std::optional<std::int64_t> batch = {}) {
    return Entry{Date{800000000}, event, id, id + ".jpg", std::nullopt, batch};
}

TEST(ReviewJournal, SalvageDropsABadEntryAloneAndKeepsTheDeletionHistory) {
    ReviewJournal journal(2000, {}, 2);
    journal.append(storedEntry(Event::deleted, "d1", 1));
    journal.append(storedEntry(Event::kept, "k"));
    journal.append(storedEntry(Event::deletedElsewhere, "d2"));
    journal.append(storedEntry(Event::deleted, "d3", 2));
    std::string text = journal.encoded();
    const std::size_t kept = text.find("\"kept\"");
    text.replace(kept, 6, "\"kep\"");
    EXPECT_THROW(ReviewJournal::decode(text), JsonError);
    const auto read = ReviewJournal::salvage(text);
    ASSERT_TRUE(read.damage);
    EXPECT_EQ(read.value.deletions(), journal.deletions());
    EXPECT_EQ(read.value.count(), 3u);
    EXPECT_EQ(read.value.batches(), 2);
}

TEST(ReviewJournal, SalvageKeepsWhatPrecedesABreakAndRecountsTheBatches) {
    ReviewJournal journal(2000, {}, 7);
    journal.append(storedEntry(Event::deleted, "d1", 6));
    journal.append(storedEntry(Event::deleted, "d2", 7));
    const std::string text = journal.encoded();
    // Cut inside the second entry: the first survives, the counter is taken from it.
    const auto read = ReviewJournal::salvage(text.substr(0, text.find("d2")));
    ASSERT_TRUE(read.damage);
    EXPECT_EQ(read.value.entries(), std::vector<Entry>{storedEntry(Event::deleted, "d1", 6)});
    EXPECT_EQ(read.value.batches(), 6);
    EXPECT_EQ(read.value.limit(), 2000);
    // A bad counter is replaced the same way; the limit falls back to the default.
    const auto badCounter = ReviewJournal::salvage(
        R"({"limit":"x","entries":[{"at":"2026-01-02T03:04:05Z","event":"deleted",)"
        R"("assetID":"a","filename":"a","batch":4}],"batches":null})");
    EXPECT_EQ(badCounter.value.batches(), 4);
    EXPECT_EQ(badCounter.value.limit(), ReviewJournal::defaultLimit);
    EXPECT_EQ(badCounter.value.count(), 1u);
    // Without the entries there is nothing to keep.
    EXPECT_THROW(ReviewJournal::salvage(R"({"limit":2000,"batches":0})"), JsonError);
    EXPECT_THROW(ReviewJournal::salvage(R"({"limit":2000,"entries":{},"batches":0})"), JsonError);
    EXPECT_THROW(ReviewJournal::salvage(R"({"limit":20)"), JsonError);
}

TEST(ReviewJournal, DeepNestingInAnEntryDropsThatEntryAlone) {
    ReviewJournal journal(2000, {}, 1);
    journal.append(storedEntry(Event::deleted, "d1", 1));
    journal.append(storedEntry(Event::kept, "k"));
    std::string text = journal.encoded();
    const std::string nesting = std::string(300000, '[') + std::string(300000, ']');
    text.insert(text.find("\"assetID\":\"k\""), "\"x\":" + nesting + ",");
    EXPECT_THROW(ReviewJournal::decode(text), JsonError);
    const auto read = ReviewJournal::salvage(text);
    EXPECT_TRUE(read.damage);
    EXPECT_EQ(read.value.entries(), journal.deletions());
    EXPECT_THROW(ReviewJournal::salvage(nesting), JsonError);
}

} // namespace
} // namespace keepsift
