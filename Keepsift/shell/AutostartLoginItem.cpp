#include "Keepsift/shell/AutostartLoginItem.hpp"

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

// An Exec value in the desktop-entry quoting: the path in double quotes, with the
// characters that stay special inside them escaped (backslashes twice: once for the
// string value, once for the quoting), and the line breaks a string value cannot hold raw.
std::string quotedProgram(const std::string& program) {
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '\\')
            quoted += "\\\\\\\\";
        else if (c == '\n')
            quoted += "\\n";
        else if (c == '\t')
            quoted += "\\t";
        else if (c == '\r')
            quoted += "\\r";
        else if (c == '%')
            quoted += "%%";
        else if (c == '"' || c == '`' || c == '$')
            quoted += std::string("\\\\") + c;
        else
            quoted += c;
    }
    return quoted + "\"";
}

std::string entryText(const std::filesystem::path& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           std::string(Keepsift::name) + "\nExec=" + quotedProgram(program.string()) +
           "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

void logFailure(const char* action, const std::string& description) {
    loginItemLogger().error(std::string("login item ") + action + " failed: " + description);
}

} // namespace

AutostartLoginItem::AutostartLoginItem(std::filesystem::path autostartFolder,
                                       std::filesystem::path program)
    : folder_(std::move(autostartFolder)), program_(std::move(program)) {
    // The link to a binary replaced while it runs (a rebuild) reads back with this mark.
    const std::string mark = " (deleted)", path = program_.string();
    if (path.ends_with(mark)) program_ = path.substr(0, path.size() - mark.size());
}

AutostartLoginItem AutostartLoginItem::standard() {
    std::error_code error;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path folder;
    try {
        folder = xdgConfigHome() / "autostart";
    } catch (const std::exception&) {
    }
    return AutostartLoginItem(folder, program);
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
