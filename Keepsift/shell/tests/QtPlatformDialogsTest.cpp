#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <future>
#include <gtest/gtest.h>
#include <thread>

#include "Keepsift/shell/QtPlatformDialogs.hpp"
#include "Keepsift/shell/tests/QtEnvironment.hpp"

namespace keepsift::app {
namespace {

// Answers the dialog that is shown with the button of the given text.
class DialogAnswerer {
public:
    explicit DialogAnswerer(QString button) : button_(std::move(button)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            shownText = box->text() + "\n" + box->informativeText();
            for (QAbstractButton* candidate : box->buttons())
                if (candidate->text() == button_) candidate->click();
        });
        timer_.start(0);
    }
    QString shownText;

private:
    QString button_;
    QTimer timer_;
};

TEST(QtPlatformDialogs, AWorkerWaitsForTheAnswerGivenOnTheGuiThread) {
    QObject context;
    QtPlatformDialogs dialogs(&context, [] { return std::string("de"); });
    DialogAnswerer answerer("In den Papierkorb");
    auto answer = std::async(std::launch::async,
                             [&] { return dialogs.confirmDeletion(std::vector<PortAsset>(3)); });
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(answer.get());
    EXPECT_EQ(answerer.shownText, "3 Fotos in den Papierkorb verschieben?\n");
}

TEST(QtPlatformDialogs, DeclinedConsentIsNo) {
    QObject context;
    QtPlatformDialogs dialogs(&context, {});
    DialogAnswerer answerer("Don’t Allow");
    auto answer = std::async(std::launch::async,
                             [&] { return dialogs.askLibraryConsent("/home/a/Pictures"); });
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_FALSE(answer.get());
    EXPECT_TRUE(answerer.shownText.contains("/home/a/Pictures"));
}

TEST(QtPlatformDialogs, ShutdownReleasesAWaitingWorkerWithNo) {
    QObject context;
    QtPlatformDialogs dialogs(&context, {});
    auto answer = std::async(std::launch::async,
                             [&] { return dialogs.confirmDeletion(std::vector<PortAsset>(1)); });
    dialogs.shutdown();
    EXPECT_FALSE(answer.get());
    EXPECT_FALSE(dialogs.askLibraryConsent("/x"));
    // The question posted before the shutdown shows no dialog when it arrives.
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtPlatformDialogs, TheInterfaceTestSeamAnswersYesWithoutADialog) {
    QObject context;
    QtPlatformDialogs dialogs(&context, {}, true);
    EXPECT_TRUE(dialogs.askLibraryConsent("/x"));
    EXPECT_TRUE(dialogs.confirmDeletion({}));
}

} // namespace
} // namespace keepsift::app
