#include "Keepsift/shell/AutostartLoginItem.hpp"

#include "Keepsift/shell/DesktopEntryText.hpp"
#include "Keepsift/shell/RunningProgram.hpp"

#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/XdgFolders.hpp"

namespace keepsift::app {
namespace {

const Logger& loginItemLogger() {
    static const Logger logger(std::string(Keepsift::identifier), "login-item");
    return logger;
}

std::string entryText(const std::filesystem::path& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           std::string(Keepsift::name) +
           "\nExec=" + DesktopEntryText::execArgument(program.string()) +
           "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

void logFailure(const char* action, const std::string& description) {
    loginItemLogger().error(std::string("login item ") + action + " failed: " + description);
}

} // namespace

AutostartLoginItem::AutostartLoginItem(std::filesystem::path autostartFolder,
                                       std::filesystem::path program)
    : folder_(std::move(autostartFolder)),
      program_(RunningProgram::withoutDeletedMark(std::move(program))) {}

AutostartLoginItem AutostartLoginItem::standard() {
    std::filesystem::path folder;
    try {
        folder = xdgConfigHome() / "autostart";
    } catch (const std::exception&) {
    }
    return AutostartLoginItem(folder, RunningProgram::path());
}

bool AutostartLoginItem::isEnabled() const {
    std::error_code error;
    return !folder_.empty() && std::filesystem::is_regular_file(entryFile(), error);
}

bool AutostartLoginItem::setLaunchAtLogin(bool enabled) {
    if (enabled == isEnabled()) return enabled;
    try {
        if (folder_.empty()) throw std::runtime_error("no configuration folder");
        if (enabled) {
            std::filesystem::create_directories(folder_);
            replaceFileAtomically(entryFile(), entryText(program_));
        } else {
            std::filesystem::remove(entryFile());
        }
    } catch (const std::exception& error) {
        logFailure(enabled ? "register" : "unregister", error.what());
    }
    return isEnabled();
}

} // namespace keepsift::app
