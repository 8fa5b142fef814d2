#include "Keepsift/shell/UserDesktopEntry.hpp"

#include <QBuffer>
#include <QFile>
#include <algorithm>

#include "Keepsift/shell/ApplicationIcon.hpp"
#include "Keepsift/shell/DesktopEntryText.hpp"
#include "Keepsift/shell/RunningProgram.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/XdgFolders.hpp"

namespace keepsift::app {
namespace {

const Logger& entryLogger() {
    static const Logger logger(std::string(Keepsift::identifier), "desktop-entry");
    return logger;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string pngData(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

bool holdsOwnMark(const std::string& entry) {
    return entry.find(std::string("\n") + UserDesktopEntry::ownMark + "\n") != std::string::npos;
}

// True when the file was (re)written; an identical file is left as it is.
bool writeIfDifferent(const std::filesystem::path& file, const std::string& content) {
    if (readWholeFile(file) == content) return false;
    if (auto error = createPrivateFolders(file.parent_path()))
        throw std::system_error(error, "cannot make " + file.parent_path().string());
    replaceFileAtomically(file, content);
    return true;
}

} // namespace

UserDesktopEntry::UserDesktopEntry(std::filesystem::path dataHome, std::filesystem::path program)
    : dataHome_(std::move(dataHome)),
      program_(RunningProgram::withoutDeletedMark(std::move(program))) {}

UserDesktopEntry UserDesktopEntry::standard() {
    std::filesystem::path dataHome;
    try {
        dataHome = xdgDataHome();
    } catch (const std::exception&) {
    }
    return UserDesktopEntry(dataHome, RunningProgram::path());
}

std::string UserDesktopEntry::entryText(const std::filesystem::path& program) {
    // The installed entry's own template, so that both say the same.
    QFile file(QStringLiteral(":/desktop/com.ambervale.keepsift.desktop.in"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    std::string text = file.readAll().toStdString();
    text = replaced(text, "\"@KEEPSIFT_EXEC@\"", DesktopEntryText::execArgument(program.string()));
    text = replaced(text, "@KEEPSIFT_EXEC@", DesktopEntryText::stringValue(program.string()));
    // The mark belongs to the main group: after its last line, before the first action's.
    size_t end = text.find("\n[Desktop Action");
    if (end == std::string::npos) end = text.size();
    while (end > 0 && text[end - 1] == '\n')
        --end;
    return text.insert(std::min(end + 1, text.size()), std::string(ownMark) + "\n");
}

std::filesystem::path UserDesktopEntry::iconFile(const std::string& size,
                                                 const char* suffix) const {
    return dataHome_ / "icons" / "hicolor" / size / "apps" /
           (std::string(ApplicationIcon::name) + suffix);
}

std::string UserDesktopEntry::sizeName(int side) {
    return std::to_string(side) + "x" + std::to_string(side);
}

// The scalable icon is written after every size, so when it is this build's and every size
// is there, the sizes were drawn from it: drawing them again at each start is spared.
bool UserDesktopEntry::iconsCurrent() const {
    std::error_code error;
    for (int side : ApplicationIcon::sides)
        if (!std::filesystem::is_regular_file(iconFile(sizeName(side), ".png"), error))
            return false;
    return readWholeFile(iconFile("scalable", ".svg")) == ApplicationIcon::scalable().toStdString();
}

UserDesktopEntry::Files UserDesktopEntry::iconFiles() const {
    Files files;
    for (int side : ApplicationIcon::sides)
        files.emplace_back(iconFile(sizeName(side), ".png"),
                           pngData(ApplicationIcon::render(side)));
    files.emplace_back(iconFile("scalable", ".svg"), ApplicationIcon::scalable().toStdString());
    return files;
}

bool UserDesktopEntry::installedBesideProgram() const {
    std::error_code error;
    return std::filesystem::is_regular_file(
        program_.parent_path().parent_path() / "share" / "applications" / entryName, error);
}

UserDesktopEntry::Outcome UserDesktopEntry::install() const {
    try {
        if (dataHome_.empty()) throw std::runtime_error("no data folder");
        if (program_.empty()) throw std::runtime_error("the running binary is unknown");
        const auto existing = readWholeFile(entryFile());
        if (existing && !holdsOwnMark(*existing)) return Outcome::usersOwn;
        if (installedBesideProgram()) return removeOwnEntry();
        return writeAll();
    } catch (const std::exception& error) {
        entryLogger().error(std::string("desktop entry not written: ") + error.what());
        return Outcome::failed;
    }
}

UserDesktopEntry::Outcome UserDesktopEntry::removeOwnEntry() const {
    std::error_code error;
    if (std::filesystem::remove(entryFile(), error))
        entryLogger().info("desktop entry of a build removed: the installed one serves");
    return Outcome::installed;
}

UserDesktopEntry::Outcome UserDesktopEntry::writeAll() const {
    bool wrote = false;
    // The icon first: the menu shows the entry as soon as it appears.
    if (!iconsCurrent())
        for (const auto& [file, content] : iconFiles())
            wrote = writeIfDifferent(file, content) || wrote;
    const std::string entry = entryText(program_);
    if (entry.empty()) throw std::runtime_error("the entry template is missing");
    wrote = writeIfDifferent(entryFile(), entry) || wrote;
    if (wrote) entryLogger().info("desktop entry written for " + program_.string());
    return wrote ? Outcome::written : Outcome::unchanged;
}

} // namespace keepsift::app
