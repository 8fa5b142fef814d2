#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

#include "core/text/Strings.hpp"

namespace keepsift {
namespace {

TEST(PhotoCountTest, OneIsSingularEverythingElsePlural) {
    EXPECT_EQ(Strings::photoCount(1, "en"), "1 photo");
    EXPECT_EQ(Strings::photoCount(0, "en"), "0 photos");
    EXPECT_EQ(Strings::photoCount(-1, "en"), "-1 photos");
    EXPECT_EQ(Strings::photoCount(1, "de"), "1 Foto");
    EXPECT_EQ(Strings::photoCount(2, "de"), "2 Fotos");
    EXPECT_EQ(Strings::photoCount(12345, "de"), "12345 Fotos");
}

TEST(ByteSizeTest, BytesBelowOneThousandStayWhole) {
    EXPECT_EQ(Strings::byteSize(0, "en"), "0 B");
    EXPECT_EQ(Strings::byteSize(1, "en"), "1 B");
    EXPECT_EQ(Strings::byteSize(999, "en"), "999 B");
    EXPECT_EQ(Strings::byteSize(999, "de"), "999 B");
    EXPECT_EQ(Strings::byteSize(-5, "de"), "-5 B");
}

TEST(ByteSizeTest, LargerSizesHaveOneDecimalRoundedHalfAway) {
    EXPECT_EQ(Strings::byteSize(1000, "en"), "1.0 KB");
    EXPECT_EQ(Strings::byteSize(1000, "de"), "1,0 KB");
    EXPECT_EQ(Strings::byteSize(1049, "en"), "1.0 KB");
    EXPECT_EQ(Strings::byteSize(1050, "en"), "1.1 KB");
    EXPECT_EQ(Strings::byteSize(1524096, "de"), "1,5 MB");
    EXPECT_EQ(Strings::byteSize(1234567890, "en"), "1.2 GB");
    EXPECT_EQ(Strings::byteSize(1234567890, "de"), "1,2 GB");
    EXPECT_EQ(Strings::byteSize(5000000000, "en"), "5.0 GB");
    EXPECT_EQ(Strings::byteSize(5000000000, "de"), "5,0 GB");
}

TEST(ByteSizeTest, RoundingNeverClimbsToTheNextUnit) {
    EXPECT_EQ(Strings::byteSize(999950, "en"), "1000.0 KB");
    EXPECT_EQ(Strings::byteSize(999999, "de"), "1000,0 KB");
    EXPECT_EQ(Strings::byteSize(1000000, "en"), "1.0 MB");
}

TEST(ByteSizeTest, TerabytesAreTheLargestUnit) {
    EXPECT_EQ(Strings::byteSize(1000000000000000, "en"), "1000.0 TB");
    EXPECT_EQ(Strings::byteSize(std::numeric_limits<std::int64_t>::max(), "de"), "9223372,0 TB");
}

TEST(ToDiscardTest, CountAndSizeInBothLanguages) {
    EXPECT_EQ(Strings::toDiscard(3, 0, "en"), "3 photos to discard");
    EXPECT_EQ(Strings::toDiscard(1, 999, "en"), "1 photo to discard, 999 B");
    EXPECT_EQ(Strings::toDiscard(1, 1000, "de"), "1 Foto zum Verwerfen, 1,0 KB");
    EXPECT_EQ(Strings::toDiscard(44, 1234567890, "de"), "44 Fotos zum Verwerfen, 1,2 GB");
    EXPECT_EQ(Strings::toDiscard(0, 5000, "en"), "Nothing to discard.");
    EXPECT_EQ(Strings::toDiscard(-2, 5000, "de"), "Nichts zu verwerfen.");
}

TEST(CountedTextTest, SingularFormsAndPlainNumbers) {
    EXPECT_EQ(Strings::deleteButton(1, "en"), "Delete 1 photo?");
    EXPECT_EQ(Strings::deleteButton(1, "de"), "1 Foto löschen?");
    EXPECT_EQ(Strings::deleteButton(7, "de"), "7 Fotos löschen?");
    EXPECT_EQ(Strings::deleteDiscarded(1, "en"), "Delete the 1 discarded photo");
    EXPECT_EQ(Strings::deleteDiscarded(2, "de"), "Alle 2 verworfenen Fotos löschen");
    EXPECT_EQ(Strings::deleteDiscardedShort(1, "de"), "1 verworfenes löschen");
    EXPECT_EQ(Strings::deleteInSelectedGroups(1, "en"), "Delete 1 in selected groups");
    EXPECT_EQ(Strings::scanProgress(1204, 9880, "en"),
              "Looking through your library — 1204 of 9880");
    EXPECT_EQ(Strings::scanProgress(1204, 9880, "de"),
              "Durchsieht deine Mediathek — 1204 von 9880");
    EXPECT_EQ(Strings::waiting(1, "de"), "1 Foto warten");
    EXPECT_EQ(Strings::workInBatches(1, "en"), "Work in batches (1 groups)");
    EXPECT_EQ(Strings::addGroupsToCorpus(1, "en"), "Add 1 selected group to corpus");
    EXPECT_EQ(Strings::corpusWritten("capture-0012", 5, "de"),
              "5 Fotos nach capture-0012 geschrieben.");
}

// Deleting moves photographs to the desktop Trash, which keeps them until it is emptied.
TEST(CountedTextTest, TheDeleteTextsSpeakOfTheTrash) {
    EXPECT_EQ(Strings::recentlyDeletedNote(1, "en"),
              "Keepsift moves it to the Trash, where it stays until the Trash is emptied. You "
              "will be asked once more after this.");
    EXPECT_EQ(Strings::recentlyDeletedNote(1, "de"),
              "Keepsift verschiebt es in den Papierkorb, wo es bleibt, bis der Papierkorb geleert "
              "wird. Danach wirst du noch einmal gefragt.");
    EXPECT_EQ(Strings::recentlyDeletedNote(2, "en"),
              "Keepsift moves them to the Trash, where they stay until the Trash is emptied. You "
              "will be asked once more after this.");
    EXPECT_EQ(Strings::recentlyDeletedNote(2, "de"),
              "Keepsift verschiebt sie in den Papierkorb, wo sie bleiben, bis der Papierkorb "
              "geleert wird. Danach wirst du noch einmal gefragt.");
    EXPECT_EQ(Strings::handedToRecentlyDeleted(1, "en"), "1 photo moved to the Trash.");
    EXPECT_EQ(Strings::handedToRecentlyDeleted(1, "de"), "1 Foto in den Papierkorb verschoben.");
}

} // namespace
} // namespace keepsift
