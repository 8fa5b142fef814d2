#include "Keepsift/shell/SysfsText.hpp"

#include <algorithm>
#include <charconv>
#include <fstream>

namespace keepsift::app {

std::optional<std::string> sysfsLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.pop_back();
    return line;
}

std::optional<long long> sysfsNumber(const std::filesystem::path& file) {
    const auto line = sysfsLine(file);
    if (!line || line->empty()) return std::nullopt;
    long long value = 0;
    const char* end = line->data() + line->size();
    auto [stop, error] = std::from_chars(line->data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::vector<std::filesystem::path> sysfsEntries(const std::filesystem::path& folder,
                                                const std::string& prefix) {
    std::vector<std::filesystem::path> entries;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error))
        if (it->path().filename().string().starts_with(prefix)) entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace keepsift::app
