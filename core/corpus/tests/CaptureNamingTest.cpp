#include <gtest/gtest.h>

#include "core/corpus/CaptureNaming.hpp"

using namespace keepsift;
using namespace keepsift::CorpusCapture;

TEST(CaptureFolderNumbering, StartsAtOneWhenNothingReads) {
    EXPECT_EQ(nextFolderName({}), "capture-0001");
    EXPECT_EQ(nextFolderName({"capture-", "capture-12ab", "capture-\u0663\u0664", "notes",
                              "capture--3", "capture-+3", "Capture-0004"}),
              "capture-0001");
}

TEST(CaptureFolderNumbering, FollowsTheLargestWithoutFillingGaps) {
    EXPECT_EQ(nextFolderName({"capture-0007", "capture-12"}), "capture-0013");
    EXPECT_EQ(nextFolderName({"capture-9999"}), "capture-10000");
    EXPECT_EQ(folderNumber("capture-99999999999999999999"), std::nullopt);
    EXPECT_EQ(folderNumber("capture-0042"), 42);
}

TEST(CaptureFolderNumbering, RefusesToRunPastTheLargestNumber) {
    EXPECT_THROW(nextFolderName({"capture-9223372036854775807"}), std::overflow_error);
}

TEST(CaptureTextCleaning, StemsBecomeSafeFileNames) {
    EXPECT_EQ(sanitisedStem(" . .. "), "photo");
    EXPECT_EQ(sanitisedStem("a/b:c\\d"), "a-b-c-d");
    EXPECT_EQ(sanitisedStem("one\t  two"), "one_two");
    EXPECT_EQ(sanitisedStem("_Été, 2024-"), "Été,_2024");
}

TEST(CaptureTextCleaning, ExtensionsAndHints) {
    EXPECT_EQ(extensionSlug("JPEG"), "jpeg");
    EXPECT_EQ(extensionSlug(".-!"), "jpeg");
    EXPECT_EQ(extensionSlug("h.e-i_c2"), "heic2");
    EXPECT_EQ(sanitisedHint("   sharp   eyes, "), "sharp eyes");
    EXPECT_EQ(sanitisedHint("a/b\nc"), "a-b c");
    EXPECT_EQ(sanitisedHint(" - , "), "");
}

TEST(CaptureTextCleaning, TruncationKeepsWholeCharacters) {
    EXPECT_EQ(truncated("abc", 3), "abc");
    EXPECT_EQ(truncated("aé", 2), "a");           // é is two bytes
    EXPECT_EQ(truncated("e\u0301x", 2), "photo"); // e + combining acute is one character
    EXPECT_EQ(truncated("e\u0301x", 3), "e\u0301");
}

TEST(CaptureExportedName, WinnerMarkAndHintPlacement) {
    EXPECT_EQ(exportedFilename("IMG_1", "jpeg", true, ""), "IMG_1 - winner.jpeg");
    EXPECT_EQ(exportedFilename("IMG_1", "jpeg", false, ""), "IMG_1.jpeg");
    EXPECT_EQ(exportedFilename("IMG_1", "jpeg", true, "eyes open"),
              "IMG_1 - winner, eyes open.jpeg");
    EXPECT_EQ(exportedFilename("IMG_1", "jpeg", false, "blurred"), "IMG_1 - blurred.jpeg");
    EXPECT_EQ(exportedFilename("IMG_1", "jpeg", false, " - , "), "IMG_1.jpeg");
}

TEST(CaptureExportedName, LongHintLosesWordsFromItsEnd) {
    const std::string stem(230, 's');
    // budget 245: stem + " - " leaves 12 bytes for the hint.
    EXPECT_EQ(exportedFilename(stem, "jpeg", false, "alpha beta gamma"),
              stem + " - alpha beta.jpeg");
    EXPECT_EQ(exportedFilename(stem, "jpeg", false, "alphabetagamma1 x"), stem + ".jpeg");
    EXPECT_EQ(exportedFilename(stem, "jpeg", true, "ab cd"), stem + " - winner, ab.jpeg");
    EXPECT_LE((stem + " - winner, ab.jpeg").size(), 250u);
}

TEST(CaptureExportedName, LongStemIsCutOnACharacterBoundaryAndDropsTheHint) {
    std::string stem;
    for (int i = 0; i < 130; ++i)
        stem += "é"; // 260 bytes
    const std::string plain = exportedFilename(stem, "jpeg", false, "hint");
    EXPECT_EQ(plain, stem.substr(0, 244) + ".jpeg"); // 245 budget -> 122 whole characters
    const std::string winner = exportedFilename(stem, "jpeg", true, "hint");
    EXPECT_EQ(winner, stem.substr(0, 236) + " - winner.jpeg"); // 236 = 245 - 9
    EXPECT_LE(winner.size(), 250u);
    EXPECT_EQ(exportedFilename(std::string(300, 'x'), "jpeg", false, "").size(), 250u);
}

TEST(CaptureExportedName, TheExtensionIsNeverShortened) {
    const std::string extension(260, 'e');
    EXPECT_EQ(exportedFilename("stem", extension, true, ""), "s - winner." + extension);
}

TEST(CaptureUniqueName, TildeNumbersSitOnTheStem) {
    EXPECT_EQ(uniqueFilename("x", "jpeg", false, "", {"x.jpeg", "x~2.jpeg"}), "x~3.jpeg");
    EXPECT_EQ(uniqueFilename("x", "JPG", true, " sharp ", {"x - winner, sharp.jpg"}),
              "x~2 - winner, sharp.jpg");
    EXPECT_EQ(uniqueFilename(" a/b ", "", false, "", {}), "a-b.jpeg");
}
