// The real binary on a panel of the test's own, that notes every tray item registered with it:
// an icon the user hid is never handed to the panel, not even while Keepsift starts.
#include <QCoreApplication>
#include <fstream>

#include "ApplicationFixture.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "PanelWatcher.hpp"
#include "XDisplay.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift::acceptance {
namespace {

// How long the panel is watched once a window shows: an item registered later than this
// after the start would be no flash any more.
constexpr double watchedAfterTheWindow = 3;

class TrayAcceptance : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::LaunchedApp::canLaunch()) GTEST_SKIP() << "Xvfb, script or setpriv missing";
        if (!QCoreApplication::instance())
            application_ = std::make_unique<QCoreApplication>(argc_, argv_);
        panel_ = std::make_unique<testing::PanelWatcher>();
        if (!panel_->isRunning()) GTEST_SKIP() << "no dbus-daemon to run a private session bus";
        fs::create_directories(library_);
    }

    // A returning user's home: the first-run notice seen, access given, the icon as chosen.
    void returningUser(bool showsIcon) {
        const fs::path config = folder_.path() / "config" / "com.ambervale.keepsift";
        fs::create_directories(config);
        const std::string settings =
            showsIcon ? R"({"showsMenuBarIcon":true})" : R"({"showsMenuBarIcon":false})";
        std::ofstream(config / "defaults.json")
            << R"({"keepsift.seenFirstRunNotice":")" << base64("true")
            << R"(","keepsift.settings":")" << base64(settings) << "\"}";
        std::ofstream(config / "library-consent.json") << R"({"consent":"granted"})";
    }

    std::unique_ptr<testing::LaunchedApp> launchByTheUser() {
        panel_->restartClock();
        auto app = std::make_unique<testing::LaunchedApp>(
            folder_.path(), library_,
            std::vector<std::string>{KEEPSIFT_BINARY, "--library", library_.string()},
            std::map<std::string, std::string>{
                {"DBUS_SESSION_BUS_ADDRESS", panel_->address().toStdString()}});
        app->useItsDisplay();
        return app;
    }

    std::string seen() const { return panel_->seen().join(QStringLiteral(", ")).toStdString(); }
    std::string log() const {
        return readWholeFile(folder_.path() / "keepsift.log").value_or("no log");
    }

    std::unique_ptr<testing::PanelWatcher> panel_;

private:
    static std::string base64(const std::string& text) {
        return QByteArray::fromStdString(text).toBase64().toStdString();
    }

    int argc_ = 1;
    char name_[16] = "tray-acceptance";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> application_;
    testing::TemporaryFolder folder_;
    fs::path library_ = folder_.path() / "Photos";
};

TEST_F(TrayAcceptance, WithTheIconHiddenAStartByTheUserRegistersNoTrayItem) {
    returningUser(false);
    const auto app = launchByTheUser();
    ASSERT_TRUE(panel_->watchFor(acceptanceGuard(), [&] {
        return !testing::keepsiftWindows().empty() || !app->isRunning();
    }));
    ASSERT_TRUE(app->isRunning()) << log();
    panel_->watchFor(watchedAfterTheWindow);
    EXPECT_TRUE(panel_->seen().isEmpty()) << "registered while starting: " << seen();
    // A later start by the user reaches the running one.
    ASSERT_TRUE(app->send(app::SingleInstance::reopenRequest));
    panel_->watchFor(watchedAfterTheWindow);
    EXPECT_TRUE(app->isRunning()) << log();
    EXPECT_TRUE(panel_->seen().isEmpty()) << "registered with the panel: " << seen();
}

// The panel sees an item that is shown: its silence above means something.
TEST_F(TrayAcceptance, WithTheIconShownAStartByTheUserRegistersItsItem) {
    returningUser(true);
    const auto app = launchByTheUser();
    EXPECT_TRUE(panel_->watchFor(acceptanceGuard(),
                                 [&] { return !panel_->seen().isEmpty() || !app->isRunning(); }));
    EXPECT_FALSE(panel_->seen().isEmpty()) << log();
    EXPECT_TRUE(app->isRunning()) << log();
}

} // namespace
} // namespace keepsift::acceptance
