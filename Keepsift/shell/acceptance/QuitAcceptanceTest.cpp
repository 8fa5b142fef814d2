// Every way of quitting ends the real binary through the quit flush, whatever sheet or dialog
// is open: the hand decision made just before is on disk afterwards, and nothing was deleted.
#include <csignal>
#include <fstream>

#include "ApplicationFixture.hpp"
#include "XDisplay.hpp"

namespace keepsift::acceptance {
namespace {

constexpr int reviewWidth = 980, popoverWidth = 300, sheetWidth = 480;
constexpr QRgb deleteRed = qRgb(0xd9, 0x37, 0x2b);

std::optional<testing::XWindow> windowOfWidth(int width) {
    for (const auto& window : testing::keepsiftWindows())
        if (window.frame.width() == width) return window;
    return std::nullopt;
}

std::optional<testing::XWindow> awaitWindowOfWidth(int width) {
    std::optional<testing::XWindow> found;
    testing::eventually([&] { return (found = windowOfWidth(width)).has_value(); }, 60);
    return found;
}

std::string windowsShown() {
    std::string shown =
        "windows on " + std::string(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "?") + ":";
    for (const auto& window : testing::keepsiftWindows())
        shown += " \"" + window.title.toStdString() + "\" " + std::to_string(window.frame.width()) +
                 "x" + std::to_string(window.frame.height());
    return shown;
}

// Kept beside the build, to be looked at.
void screenshot(const testing::XWindow& window, const std::string& name) {
    fs::create_directories(KEEPSIFT_SCREENSHOTS);
    testing::grabScreen(window.frame)
        .save(QString::fromStdString(std::string(KEEPSIFT_SCREENSHOTS) + "/" + name + ".png"));
}

// Without a window manager windows may overlap; a click must reach the window it aims at.
bool uncoveredAt(const testing::XWindow& target, QPoint point) {
    for (const auto& window : testing::keepsiftWindows())
        if (window.id != target.id && window.frame.contains(point)) return false;
    return true;
}

enum class Quit { menu, terminate, interrupt };

class QuitAcceptance : public ApplicationAcceptance {
protected:
    // Sync-client placeholders make the library one whose originals are partly elsewhere;
    // dated long ago, they come first in the listing the storage probe samples.
    void addPlaceholders() {
        fs::create_directories(library.root / "Cloud");
        // Four in a row: the probe samples every third or fourth photograph of this library.
        for (int index = 0; index < 4; ++index) {
            const auto placeholder =
                library.root / "Cloud" / ("c" + std::to_string(index) + ".jpg.nextcloud");
            std::ofstream{placeholder};
            fs::last_write_time(placeholder, fs::file_time_type::clock::now() -
                                                 std::chrono::hours(24 * 365 * 20));
        }
    }

    // Opens the review window of an application that has decided something.
    void openReview(testing::LaunchedApp& app) {
        app.useItsDisplay();
        ASSERT_TRUE(testing::eventually(
            [&] { return decidedSome(app.indexFolder()) || !app.isRunning(); }, 600))
            << log();
        const auto popover = awaitWindowOfWidth(popoverWidth);
        ASSERT_TRUE(popover) << windowsShown() << "\n" << log();
        // "Review photos" is the first of the popover's rows, three rows and the divider above
        // "Quit Keepsift" (the popover only raises itself when asked to reopen).
        const QPoint reviewRow(popover->frame.left() + 60, popover->frame.bottom() - 107);
        ASSERT_TRUE(uncoveredAt(*popover, reviewRow));
        ASSERT_TRUE(testing::clickAt(reviewRow.x(), reviewRow.y()));
        ASSERT_TRUE(awaitWindowOfWidth(reviewWidth))
            << "no review window; " << windowsShown() << "\n"
            << log();
    }

    // A kept photograph flagged by hand, once the application has taken the decision.
    std::string flagAKeeper(testing::LaunchedApp& app) {
        const auto index = readIndex(app.indexFolder());
        const auto kept = idsIn(*index, ReviewState::keeper);
        EXPECT_FALSE(kept.empty());
        const std::string id = kept.empty() ? std::string() : *kept.begin();
        EXPECT_TRUE(app.send("flag " + id));
        EXPECT_TRUE(testing::eventually([&] { return linkedRejects().count(id) == 1; }, 60));
        return id;
    }

    std::optional<int> quit(testing::LaunchedApp& app, Quit how) {
        double seconds = 0;
        if (how == Quit::terminate) return app.terminate(seconds, SIGTERM);
        if (how == Quit::interrupt) return app.terminate(seconds, SIGINT);
        // "Quit Keepsift" is the popover's last row, above its 12-pixel margin.
        const auto popover = windowOfWidth(popoverWidth);
        EXPECT_TRUE(popover) << "no popover";
        if (!popover) return std::nullopt;
        const QPoint quitRow(popover->frame.left() + 60, popover->frame.bottom() - 12 - 10);
        EXPECT_TRUE(uncoveredAt(*popover, quitRow));
        EXPECT_TRUE(testing::clickAt(quitRow.x(), quitRow.y()));
        return app.awaitExit();
    }

    void expectFlaggedOnDisk(const fs::path& support, const std::string& id) {
        const auto index = readIndex(support);
        ASSERT_TRUE(index);
        EXPECT_EQ(index->entries.at(id).state, ReviewState::flaggedByHand) << id;
        EXPECT_TRUE(journalHoldsFlag(support, id)) << id;
    }
};

TEST_F(QuitAcceptance, TheCloudSheetAndTheDeleteConfirmationNeverHoldUpAQuit) {
    addPlaceholders();
    for (const Quit how : {Quit::menu, Quit::terminate}) {
        SCOPED_TRACE(how == Quit::menu ? "Quit Keepsift" : "SIGTERM");
        testing::LaunchedApp app(folder.path(), library.root);
        ASSERT_NO_FATAL_FAILURE(openReview(app));
        const auto sheet = awaitWindowOfWidth(sheetWidth);
        ASSERT_TRUE(sheet) << "the cloud-scope sheet did not open; " << windowsShown();
        const std::string flagged = flagAKeeper(app);
        const auto status = quit(app, how);
        ASSERT_TRUE(status) << "the application went on running\n" << log();
        EXPECT_EQ(*status, 0);
        expectFlaggedOnDisk(app.indexFolder(), flagged);
    }

    // Without placeholders the library is local: no sheet, and the delete confirmation waits.
    fs::remove_all(library.root / "Cloud");
    testing::LaunchedApp app(folder.path(), library.root);
    ASSERT_NO_FATAL_FAILURE(openReview(app));
    const auto review = windowOfWidth(reviewWidth);
    ASSERT_TRUE(review);
    std::optional<QPoint> deleteAll;
    ASSERT_TRUE(testing::eventually(
        [&] { return (deleteAll = testing::findColour(review->frame, deleteRed)).has_value(); },
        60))
        << "no delete button";
    ASSERT_TRUE(testing::clickAt(deleteAll->x(), deleteAll->y()));
    std::optional<testing::XWindow> confirmation;
    ASSERT_TRUE(testing::eventually(
        [&] {
            for (const auto& window : testing::keepsiftWindows())
                if (window.frame.width() != reviewWidth && window.frame.width() != popoverWidth)
                    confirmation = window;
            return confirmation.has_value();
        },
        60))
        << "the delete confirmation did not open; " << windowsShown();
    screenshot(*confirmation, "quit-with-delete-confirmation");
    const std::string flagged = flagAKeeper(app);
    const auto status = quit(app, Quit::interrupt);
    ASSERT_TRUE(status) << "the application went on running\n" << log();
    EXPECT_EQ(*status, 0);
    expectFlaggedOnDisk(app.indexFolder(), flagged);
    EXPECT_TRUE(namesIn(folder.path() / "data" / "Trash" / "files").empty());
    for (const auto& [id, bytes] : library.photos) {
        if (id.starts_with("Locked/")) continue;
        EXPECT_TRUE(fs::exists(library.root / id)) << id;
    }
}

} // namespace
} // namespace keepsift::acceptance
