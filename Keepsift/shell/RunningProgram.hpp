#pragma once

#include <filesystem>
#include <string>

namespace keepsift::app {

// Where the running binary is, for whatever has to start it again: the login item, the
// desktop menu's entry, the command a notice names.
struct RunningProgram {
    // The binary's absolute path; empty when the system does not say.
    static std::filesystem::path path();
    // The path the system reports for a binary, without the mark a rebuilt binary's old
    // path carries while it still runs.
    static std::filesystem::path withoutDeletedMark(const std::filesystem::path& reported);
    // The path as one word a POSIX shell reads back unchanged: quoted only when it has to be.
    static std::string shellWord(const std::filesystem::path& program);
};

} // namespace keepsift::app
