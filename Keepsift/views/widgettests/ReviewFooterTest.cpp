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

} // namespace
} // namespace keepsift::app
