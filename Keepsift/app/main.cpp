#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "Keepsift/app/DesktopWindowMaker.hpp"
#include "Keepsift/shell/ApplicationIcon.hpp"
#include "Keepsift/shell/KeepsiftApp.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "platform/analysis/OpenClSwitch.hpp"
#include "telemetry/qt/DisplayFactsFiller.hpp"

using namespace keepsift::app;

namespace {

// A named library goes along, so that the running one can say when it tidies another folder.
std::string handOverRequest(const LaunchOptions& options) {
    if (options.opensSettings) return SingleInstance::settingsRequest;
    if (!options.library || options.library->find('\n') != std::string::npos)
        return SingleInstance::reopenRequest;
    std::error_code error;
    const auto folder = std::filesystem::absolute(*options.library, error);
    return std::string(SingleInstance::libraryRequest) +
           (error ? *options.library : folder.lexically_normal().string());
}

// One instance per user: a later launch hands its reopen to the running one and leaves.
std::unique_ptr<SingleInstance> claimInstance(const LaunchOptions& options, bool& handedOver) {
    handedOver = false;
    if (options.interfaceTestMode || options.spikeStorage) return nullptr;
    std::filesystem::path folder;
    try {
        folder = applicationSupportFolder();
    } catch (const std::exception&) {
        return nullptr;
    }
    auto instance = std::make_unique<SingleInstance>(folder);
    if (instance->acquire()) return instance;
    // A start at login finds Keepsift running already (started by hand first): nothing to show.
    if (!options.atLogin) instance->handOver(handOverRequest(options));
    handedOver = true;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    keepsift::switchOffOpenCl();
    const auto options = LaunchOptions::parse(std::vector<std::string>(argv + 1, argv + argc),
                                              LaunchOptions::processEnvironment());
    bool handedOver = false;
    auto instance = claimInstance(options, handedOver);
    if (handedOver) return 0;

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Keepsift"));
    // The desktop entry and icon: Wayland compositors find both through this name. The windows'
    // own icon is drawn from the picture built in, whatever icon theme the desktop has.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.ambervale.keepsift"));
    QApplication::setWindowIcon(ApplicationIcon::icon());
    keepsift::analytics::fillDisplayFactsFromQt(); // screen and preferences for the analytics
    // The model is built inside the shell (off the GUI thread in production); the views come
    // from here.
    DesktopWindowMaker windows;
    KeepsiftApp app(options, windows);
    if (instance)
        instance->listen([&app](const std::string& request) { app.handleRequest(request); });
    app.start();
    const int code = QApplication::exec();
    // The quit flush has run; whatever a task still does is cut off here, as a crash would,
    // and the files it writes are replaced atomically.
    std::fflush(nullptr);
    std::_Exit(code);
}
