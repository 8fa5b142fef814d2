#include "Keepsift/shell/AutostartLoginItem.hpp"

#include <algorithm>

#include "Keepsift/shell/DesktopEntryText.hpp"
#include "Keepsift/shell/LaunchOptions.hpp"
#include "Keepsift/shell/RunningProgram.hpp"

#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/XdgFolders.hpp"

namespace keepsift::app {
namespace {

const Logger& loginItemLogger() {
    static const Logger logger(std::string(Keepsift::identifier), "login-item");
    return logger;
}

constexpr std::string_view execKey = "\nExec=";

// `arguments` follow the program, escaped as they stand in an entry.
std::string entryText(const std::filesystem::path& program, const std::string& arguments = {}) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           std::string(Keepsift::name) + std::string(execKey) +
           DesktopEntryText::execArgument(program.string()) +
           (arguments.empty() ? "" : " " + arguments) +
           "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

struct ExecLine {
    std::string value; // the Exec value, as it stands
    std::string rest;  // the entry without its Exec line
};

std::optional<ExecLine> execLine(const std::string& entry) {
    const size_t start = entry.find(execKey);
    if (start == std::string::npos) return std::nullopt;
    const size_t end = std::min(entry.find('\n', start + 1), entry.size());
    const size_t value = start + execKey.size();
    return ExecLine{entry.substr(value, end - value), entry.substr(0, start) + entry.substr(end)};
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
    if (enabled && isEnabled()) followRunningProgram();
    if (enabled == isEnabled()) return enabled;
    try {
        if (folder_.empty()) throw std::runtime_error("no configuration folder");
        if (enabled) {
            if (const auto error = createPrivateFolders(folder_))
                throw std::filesystem::filesystem_error("cannot create the folder", folder_, error);
            replaceFileAtomically(entryFile(),
                                  entryText(program_, LaunchOptions::autostartArgument));
        } else {
            std::filesystem::remove(entryFile());
        }
    } catch (const std::exception& error) {
        logFailure(enabled ? "register" : "unregister", error.what());
    }
    return isEnabled();
}

// A build that moved would otherwise leave an entry starting a binary that is gone.
void AutostartLoginItem::followRunningProgram() const {
    try {
        const auto existing = readWholeFile(entryFile());
        if (!existing || program_.empty()) return;
        const auto updated = ownEntryForRunningProgram(*existing);
        if (!updated || *updated == *existing) return;
        replaceFileAtomically(entryFile(), *updated);
        loginItemLogger().info("autostart entry now starts " + program_.string());
    } catch (const std::exception& error) {
        logFailure("update", error.what());
    }
}

// Only an entry Keepsift wrote is ours to change: one that differs from ours in nothing but
// its Exec line. The arguments after the program stay; an older build's entry did not yet say
// that it starts at login.
std::optional<std::string>
AutostartLoginItem::ownEntryForRunningProgram(const std::string& existing) const {
    const auto found = execLine(existing);
    if (!found || found->rest != execLine(entryText(program_))->rest) return std::nullopt;
    const std::string arguments = DesktopEntryText::argumentsAfterProgram(found->value);
    if (DesktopEntryText::passesArgument(found->value, LaunchOptions::autostartArgument))
        return entryText(program_, arguments);
    return entryText(program_,
                     LaunchOptions::autostartArgument + (arguments.empty() ? "" : " " + arguments));
}

} // namespace keepsift::app
