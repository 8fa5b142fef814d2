#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

#include "Keepsift/shell/KeepsiftApp.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "Keepsift/shell/WindowHooks.hpp"
#include "platform/analysis/OpenClSwitch.hpp"
#if __has_include("Keepsift/views/ViewHooks.hpp")
#include "Keepsift/views/ViewHooks.hpp"
#define KEEPSIFT_HAS_VIEWS 1
#endif
#if __has_include("Keepsift/views/hooks/DesktopViewHooks.hpp")
#include "Keepsift/views/hooks/DesktopViewHooks.hpp"
#define KEEPSIFT_HAS_DESKTOP_VIEWS 1
#endif

using namespace keepsift::app;

namespace {

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
    instance->handOver(options.opensSettings ? SingleInstance::settingsRequest
                                             : SingleInstance::reopenRequest);
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
    // The installed desktop entry and icon: Wayland compositors find both through this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.ambervale.keepsift"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.ambervale.keepsift")));
#ifdef KEEPSIFT_HAS_VIEWS
    installViewHooks();
    windowHooks().makeImageSource = [](std::shared_ptr<keepsift::PhotoLibraryPort> port,
                                       std::shared_ptr<MainActor> mainActor) {
        return port ? makeLibraryImageSource(std::move(port), std::move(mainActor))
                    : makeSwatchImageSource(std::move(mainActor));
    };
#endif
#ifdef KEEPSIFT_HAS_DESKTOP_VIEWS
    installDesktopViewHooks();
#endif
    KeepsiftApp app(options);
    if (instance)
        instance->listen([&app](const std::string& request) { app.handleRequest(request); });
    app.start();
    const int code = QApplication::exec();
    // The quit flush has run; whatever a task still does is cut off here, as a crash would,
    // and the files it writes are replaced atomically.
    std::fflush(nullptr);
    std::_Exit(code);
}
