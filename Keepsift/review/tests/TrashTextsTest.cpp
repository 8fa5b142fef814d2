#include <gtest/gtest.h>

#include "Keepsift/review/TrashTexts.hpp"

namespace keepsift::app {
namespace {

TEST(TrashTexts, SingularAndPluralInBothLanguages) {
    EXPECT_EQ(TrashTexts::confirmationMessage(1, "en"),
              "Keepsift moves it to the Trash, where it stays until the Trash is emptied. You will "
              "be asked once more after this.");
    EXPECT_NE(TrashTexts::confirmationMessage(2, "en"), TrashTexts::confirmationMessage(1, "en"));
    EXPECT_EQ(TrashTexts::confirmationMessage(0, "en"), TrashTexts::confirmationMessage(2, "en"));
    EXPECT_NE(TrashTexts::confirmationMessage(1, "de").find("Papierkorb"), std::string::npos);
    EXPECT_EQ(TrashTexts::confirmationMessage(1, "DE"), TrashTexts::confirmationMessage(1, "en"));
    EXPECT_EQ(TrashTexts::movedToTrash(3, "en"), "3 photos moved to the Trash.");
    EXPECT_EQ(TrashTexts::movedToTrash(1, "de"), "1 Foto in den Papierkorb verschoben.");
}

// The model's notice of the delete says what moved and why the rest stayed; without one,
// everything moved.
TEST(TrashTexts, TheOutcomeIsTheModelsNoticeOfTheDelete) {
    EXPECT_EQ(TrashTexts::deleteOutcome(3, std::nullopt, "en"), "3 photos moved to the Trash.");
    const std::string partly =
        "1 photo moved to the Trash. 1 photo not moved: no permission to write in the folder.";
    EXPECT_EQ(TrashTexts::deleteOutcome(1, partly, "en"), partly);
    EXPECT_EQ(TrashTexts::deleteOutcome(0, "The batch changed", "en"), "The batch changed");
    EXPECT_EQ(TrashTexts::deleteOutcome(0, std::nullopt, "en"),
              "Nothing deleted. The flags are unchanged.");
    EXPECT_EQ(TrashTexts::deleteOutcome(0, std::nullopt, "de"),
              "Nichts gelöscht. Die Markierungen sind unverändert.");
}

} // namespace
} // namespace keepsift::app
