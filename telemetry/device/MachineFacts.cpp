#include "telemetry/device/MachineFacts.hpp"

#include <charconv>
#include <sys/utsname.h>

#include "core/support/Unicode.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift::analytics {
namespace {

// Firmware and release files are small; anything longer is not what we look for.
constexpr std::size_t longestFact = 256;

std::string cleaned(std::string_view text) {
    std::string out;
    for (const char32_t c : unicode::codePoints(unicode::wellFormed(text)))
        if (!unicode::isControl(c)) out += unicode::utf8(std::u32string_view(&c, 1));
    const auto begin = out.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    const auto end = out.find_last_not_of(' ');
    out = out.substr(begin, end - begin + 1);
    if (out.size() > longestFact) out.resize(longestFact);
    return unicode::wellFormed(out);
}

std::string firmwareText(const std::filesystem::path& file) {
    const auto text = readWholeFile(file);
    return text ? cleaned(*text) : std::string();
}

// Vendors leave these in the firmware when they fill nothing in.
bool isPlaceholder(const std::string& text) {
    static const char* const placeholders[] = {"To Be Filled By O.E.M.",
                                               "System Product Name",
                                               "System Version",
                                               "Default string",
                                               "None",
                                               "Not Applicable",
                                               "Not Specified",
                                               "N/A",
                                               "0"};
    for (const char* p : placeholders)
        if (text == p) return true;
    return text.empty();
}

std::string machineField() {
    utsname name{};
    if (uname(&name) != 0) return buildArchitecture();
    return name.machine;
}

std::string kernelRelease() {
    utsname name{};
    if (uname(&name) != 0) return {};
    return name.release;
}

std::string modelName(const std::filesystem::path& root) {
    const auto folder = root / "sys/class/dmi/id";
    const std::string product = firmwareText(folder / "product_name");
    if (isPlaceholder(product)) return machineField();
    const std::string version = firmwareText(folder / "product_version");
    if (isPlaceholder(version) || version == product) return product;
    return product + " " + version;
}

// One os-release value: KEY=value, KEY="value" or KEY='value'.
std::optional<std::string> releaseValue(std::string_view text, std::string_view key) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() <= key.size() || line.substr(0, key.size()) != key ||
            line[key.size()] != '=')
            continue;
        std::string_view value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        std::string unescaped;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            unescaped += value[i];
        }
        return cleaned(unescaped);
    }
    return std::nullopt;
}

// Leading dotted decimal numbers: "12" gives 12.0.0, "6.1.0-13-amd64" gives 6.1.0.
void parseVersion(std::string_view text, MachineFacts& facts) {
    int* parts[] = {&facts.majorVersion, &facts.minorVersion, &facts.patchVersion};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (int* part : parts) {
        int value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || value < 0) return;
        *part = value;
        if (next == end || *next != '.') return;
        at = next + 1;
    }
}

} // namespace

std::string buildArchitecture() {
#if defined(__aarch64__)
    return "arm64";
#elif defined(__x86_64__)
    return "x86_64";
#elif defined(__i386__)
    return "i386";
#else
    return "unknown";
#endif
}

MachineFacts readMachineFacts(const std::filesystem::path& root) {
    MachineFacts facts;
    facts.modelName = modelName(root);
    auto release = readWholeFile(root / "etc/os-release");
    if (!release) release = readWholeFile(root / "usr/lib/os-release");
    const std::string text = release ? release->substr(0, 64 * 1024) : std::string();
    facts.systemName = releaseValue(text, "NAME").value_or("");
    if (facts.systemName.empty()) facts.systemName = "Linux";
    const auto version = releaseValue(text, "VERSION_ID");
    parseVersion(version && !version->empty() ? *version : kernelRelease(), facts);
    return facts;
}

} // namespace keepsift::analytics
