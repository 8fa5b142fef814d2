#include <gtest/gtest.h>

#include "IndexFixtures.hpp"

namespace keepsift {
namespace {

using namespace fixtures;

TEST(IndexEntry, NeedsSignalsOnlyWithoutSignalsOriginalWaitOrFinalState) {
    for (auto state : {ReviewState::pending, ReviewState::keeper, ReviewState::flagged,
                       ReviewState::keptByHand, ReviewState::flaggedByHand}) {
        IndexEntry e = IndexEntry::fresh(asset("a"));
        e.state = state;
        EXPECT_TRUE(e.needsSignals());
        e.needsOriginal = true;
        EXPECT_FALSE(e.needsSignals());
    }
    EXPECT_FALSE(measured(asset("a"), ReviewState::pending).needsSignals());
    IndexEntry deleted = IndexEntry::fresh(asset("a"));
    deleted.state = ReviewState::deleted;
    EXPECT_FALSE(deleted.needsSignals());
    deleted.needsOriginal = true;
    EXPECT_FALSE(deleted.awaitsOriginal());
    deleted.state = ReviewState::keeper;
    EXPECT_TRUE(deleted.awaitsOriginal());
}

TEST(IndexEntry, BareEntryWritesOnlyAssetStateAndNeedsOriginal) {
    const Json json = IndexEntry::fresh(asset("a")).toJson(DateForm::iso8601);
    std::vector<std::string> keys;
    for (const auto& m : json.asObject())
        keys.push_back(m.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"asset", "state", "needsOriginal"}));
}

TEST(IndexEntry, RoundTripsEveryFieldInBothDateForms) {
    IndexEntry e = measured(asset("a", 700000000, 700000100), ReviewState::flaggedByHand);
    e.groupID = "g1";
    e.reason = Reason::flaggedBlurred;
    e.skip = SkipReason::utility;
    e.decidedAt = Date{700000200};
    e.needsOriginal = true;
    for (DateForm form : {DateForm::iso8601, DateForm::secondsSince2001})
        EXPECT_EQ(IndexEntry::fromJson(Json::parse(e.toJson(form).dump()), form), e);
}

TEST(IndexEntry, TheDecisionOfAPhotographThatLeftIsKeptAndReadBack) {
    IndexEntry e = IndexEntry::fresh(asset("a", 700000000, 700000100));
    e.state = ReviewState::deleted;
    e.formerState = ReviewState::flaggedByHand;
    e.formerDecidedAt = Date{700000200};
    e.contentDigest = "9f86d081";
    for (DateForm form : {DateForm::iso8601, DateForm::secondsSince2001})
        EXPECT_EQ(IndexEntry::fromJson(Json::parse(e.toJson(form).dump()), form), e);
    Json json = e.toJson(DateForm::iso8601);
    EXPECT_EQ(json.at("formerState").asString(), "flaggedByHand");
    json.set("formerState", Json("archived"));
    EXPECT_THROW(IndexEntry::fromJson(json, DateForm::iso8601), JsonError);
}

TEST(IndexEntry, NeedsOriginalIsLenientButStateIsNot) {
    Json json = IndexEntry::fresh(asset("a")).toJson(DateForm::iso8601);
    json.set("needsOriginal", Json("yes"));
    EXPECT_FALSE(IndexEntry::fromJson(json, DateForm::iso8601).needsOriginal);
    json.set("needsOriginal", Json());
    EXPECT_FALSE(IndexEntry::fromJson(json, DateForm::iso8601).needsOriginal);
    json.set("state", Json("archived"));
    EXPECT_THROW(IndexEntry::fromJson(json, DateForm::iso8601), JsonError);
}

TEST(IndexEntry, UnknownReasonOrSkipTextOrMissingAssetFails) {
    const Json good = IndexEntry::fresh(asset("a")).toJson(DateForm::iso8601);
    for (const char* key : {"reason", "skip"}) {
        Json json = good;
        json.set(key, Json("mystery"));
        EXPECT_THROW(IndexEntry::fromJson(json, DateForm::iso8601), JsonError) << key;
    }
    Json noAsset = Json::object();
    noAsset.set("state", Json("pending"));
    EXPECT_THROW(IndexEntry::fromJson(noAsset, DateForm::iso8601), JsonError);
}

TEST(IndexEntry, EqualityIncludesTheDecisionDate) {
    IndexEntry a = IndexEntry::fresh(asset("a"));
    IndexEntry b = a;
    b.decidedAt = Date{1};
    EXPECT_NE(a, b);
}

} // namespace
} // namespace keepsift
