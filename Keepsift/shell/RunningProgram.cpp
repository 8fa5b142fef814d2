#include "Keepsift/shell/RunningProgram.hpp"

#include <algorithm>

namespace keepsift::app {

std::filesystem::path RunningProgram::path() {
    std::error_code error;
    return withoutDeletedMark(std::filesystem::read_symlink("/proc/self/exe", error));
}

std::filesystem::path RunningProgram::withoutDeletedMark(const std::filesystem::path& reported) {
    // The link to a binary replaced while it runs (a rebuild) reads back with this mark.
    const std::string mark = " (deleted)", text = reported.string();
    if (!text.ends_with(mark)) return reported;
    return text.substr(0, text.size() - mark.size());
}

std::string RunningProgram::shellWord(const std::filesystem::path& program) {
    const std::string text = program.string();
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view("/._-+,:@=").find(c) != std::string_view::npos;
    });
    if (plain) return text;
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace keepsift::app
