#include <gtest/gtest.h>

#include "core/model/Clock.hpp"
#include "core/model/Decisions.hpp"
#include "core/model/LibraryEnums.hpp"
#include "core/model/PhotoSignals.hpp"

using namespace keepsift;

TEST(Reasons, RawTextsRoundTripExactly) {
    for (Reason reason : allCases<Reason>()) {
        EXPECT_EQ(enumFromJson<Reason>(enumToJson(reason)), reason);
        EXPECT_FALSE(fromString<Reason>(std::string(toString(reason)) + " "));
    }
    EXPECT_FALSE(fromString<Reason>("KeptSharper"));
    EXPECT_THROW(enumFromJson<Reason>(Json("sharper")), JsonError);
    EXPECT_EQ(allCases<Reason>().size(), 20u);
    EXPECT_TRUE(isKeepReason(Reason::keptOnlyOne));
    EXPECT_FALSE(isKeepReason(Reason::flaggedEyesClosed));
}

TEST(Reasons, TextsFollowTheExactLanguageCode) {
    EXPECT_EQ(text(Reason::keptSharper, "de"), "Schärfer");
    for (const char* code : {"en", "DE", "de-CH", "", "fr"})
        EXPECT_EQ(text(Reason::keptSharper, code), "Sharper") << code;
    EXPECT_EQ(text(Reason::flaggedCloseSecond, "de"), "Knapp hinter der behaltenen Aufnahme");
}

// On Linux a favourite is a photograph rated four stars or more, and edits are what an editor
// left in a sidecar file: the texts name no application that is not there.
TEST(Reasons, FavouriteAndEditTextsSayWhereTheyComeFrom) {
    EXPECT_EQ(text(Reason::keptFavourite, "en"), "Rated four stars or more");
    EXPECT_EQ(text(Reason::keptFavourite, "de"), "Mit vier oder mehr Sternen bewertet");
    EXPECT_EQ(text(Reason::keptEdited, "en"), "A sidecar file holds edits for this one");
    EXPECT_EQ(text(Reason::keptEdited, "de"), "Eine Begleitdatei enthält Bearbeitungen dazu");
}

TEST(Reasons, UserMarkPrefersFavourite) {
    PhotoSignals s;
    EXPECT_FALSE(userMarkReason(s));
    s.isEdited = true;
    EXPECT_FALSE(userMarkReason(s));
    s.isInUserAlbum = true;
    EXPECT_EQ(userMarkReason(s), Reason::keptInAlbum);
    s.isFavourite = true;
    EXPECT_EQ(userMarkReason(s), Reason::keptFavourite);
}

TEST(GroupDecisions, KeepersFlaggedAndTopPick) {
    GroupDecision group{"g",
                        PhotoGroup::Kind::moment,
                        {{"a", "a.jpg", false, Reason::flaggedBlurred, 0.5},
                         {"b", "b.jpg", false, Reason::flaggedNearIdentical, 0.4}}};
    EXPECT_TRUE(group.keepers().empty());
    EXPECT_EQ(group.flagged().size(), 2u);
    EXPECT_EQ(group.topPick()->digest, "a");
    EXPECT_FALSE(GroupDecision{}.topPick());
    EXPECT_FALSE(fromString<PhotoGroup::Kind>("Moment"));
    EXPECT_FALSE(fromString<PhotoGroup::Kind>(""));
}

TEST(LibraryEnumerations, AccessAndRawValues) {
    EXPECT_TRUE(canRead(LibraryAuthorization::limited));
    EXPECT_FALSE(canRead(LibraryAuthorization::restricted));
    EXPECT_FALSE(isDenied(LibraryAuthorization::restricted));
    EXPECT_TRUE(isDenied(LibraryAuthorization::denied));
    EXPECT_EQ(toString(LibraryStorage::optimised), "optimised");
    EXPECT_EQ(fromString<SkipReason>("utility"), SkipReason::utility);
    EXPECT_THROW(enumFromJson<LibraryAuthorization>(Json("Authorized")), JsonError);
}

TEST(Clocks, MutableClockAdvancesBothWays) {
    MutableClock clock("2026-12-06T10:00:00Z");
    const Date start = clock.now();
    clock.advance(60);
    EXPECT_EQ(clock.now().since(start), 60);
    clock.advance(-60);
    EXPECT_EQ(clock.now(), start);
    EXPECT_EQ(FixedClock("2026-12-06T11:00:00+01:00").now(), start);
}
