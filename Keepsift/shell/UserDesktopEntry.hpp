#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace keepsift::app {

// The desktop menu's entry and the icon of a Keepsift run from a build, in the user's data
// folder: written when missing, and written anew when the binary moved, so that the menu,
// the desktop's search and the task lists find the binary that runs. An installed Keepsift
// has its entry beside the binary's prefix; there the user's copy would only hide it.
class UserDesktopEntry {
public:
    enum class Outcome {
        written,   // something was missing or pointed elsewhere, and now is right
        unchanged, // everything was right already; nothing was written
        installed, // the installed entry serves; an entry of our own was taken away
        usersOwn,  // the user keeps an entry of that name by hand; left alone
        failed,    // logged
    };

    static constexpr const char* entryName = "com.ambervale.keepsift.desktop";
    // Marks the entries Keepsift wrote, so that it never replaces one the user made.
    static constexpr const char* ownMark = "X-Keepsift-Written=true";

    // `dataHome` is $XDG_DATA_HOME; `program` the binary the entry starts.
    UserDesktopEntry(std::filesystem::path dataHome, std::filesystem::path program);
    // The user's data folder and the running binary.
    static UserDesktopEntry standard();

    // Never throws: failures are logged.
    Outcome install() const;

    std::filesystem::path entryFile() const { return dataHome_ / "applications" / entryName; }
    // The entry that starts the given binary.
    static std::string entryText(const std::filesystem::path& program);

private:
    using Files = std::vector<std::pair<std::filesystem::path, std::string>>;
    std::filesystem::path iconFile(const std::string& size, const char* suffix) const;
    static std::string sizeName(int side);
    bool iconsCurrent() const;
    Files iconFiles() const;
    bool installedBesideProgram() const;
    Outcome removeOwnEntry() const;
    Outcome writeAll() const;

    std::filesystem::path dataHome_;
    std::filesystem::path program_;
};

} // namespace keepsift::app
