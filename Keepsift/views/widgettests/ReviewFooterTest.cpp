#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Keepsift/model/DeleteNotice.hpp"
#include "Keepsift/views/ReviewFooter.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;
using ::testing::IsEmpty;

// A delete that moved one photograph and kept another says both, whole, and the note that
// nothing has been moved steps aside; it comes back with the next request.
TEST(ReviewFooter, APartlyMovedDeleteTakesBackTheNothingMovedNote) {
    for (const char* language : {"en", "de"}) {
        ReviewFooter footer(nullptr);
        footer.resize(980, footer.sizeHint().height());
        footer.show();
        ReviewWindowState state;
        const DeletionReport report{{"a"}, {{"b", KeptReason::noPrivateTrash}}};
        state.deleteFinished(1, deleteOutcomeNotice(report, language), language);
        footer.update(ReviewList{}, state, 0, false, std::nullopt, language);
        footer.resize(980, footer.heightForWidth(980) > 0 ? footer.heightForWidth(980)
                                                          : footer.sizeHint().height());
        settle();
        EXPECT_EQ(textOf(footer, "nothing-moved"), "") << language;
        EXPECT_EQ(textOf(footer, "delete-outcome"), *deleteOutcomeNotice(report, language));
        EXPECT_THAT(cutTexts(footer), IsEmpty()) << language;
        screenshot(footer, std::string("review-footer-partly-moved-") + language);

        state.deleteAll(ReviewList{});
        footer.update(ReviewList{}, state, 0, false, std::nullopt, language);
        EXPECT_NE(textOf(footer, "nothing-moved"), "") << language;
        EXPECT_EQ(textOf(footer, "delete-outcome"), "") << language;
    }
}

ReviewGroup groupOf(std::string id, const std::vector<bool>& keepers) {
    ReviewGroup group;
    group.id = id;
    for (const bool keeper : keepers) {
        ReviewPhoto photo;
        photo.assetID = id + "-" + std::to_string(group.photos.size());
        photo.isKeeper = keeper;
        group.photos.push_back(photo);
    }
    return group;
}

// The selected group's photographs went to the Trash; another group still has some to discard.
TEST(ReviewFooter, AfterTheSelectedGroupsAreDeletedItOffersToSelectAll) {
    const std::pair<const char*, const char*> expected[] = {{"en", "Select all"},
                                                            {"de", "Alle auswählen"}};
    for (const auto& [language, words] : expected) {
        ReviewFooter footer(nullptr);
        footer.resize(980, footer.sizeHint().height());
        footer.show();
        const ReviewList after({groupOf("g1", {true}), groupOf("g2", {true, false})});
        ReviewWindowState state;
        state.select("g1", true);
        state.deleteFinished(1, std::nullopt, language);
        footer.update(after, state, 1, false, std::nullopt, language);
        settle();
        EXPECT_EQ(textOf(footer, "toggle-select-all"), words);
        EXPECT_THAT(cutTexts(footer), IsEmpty()) << language;
        screenshot(footer, std::string("review-footer-after-selected-deleted-") + language);
        state.toggleSelectAll(after);
        EXPECT_EQ(state.selected, std::set<std::string>{"g2"}) << "the button does what it says";
    }
}

} // namespace
} // namespace keepsift::app
