#include <algorithm>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "core/corpus/CaptureNaming.hpp"
#include "core/corpus/DecimalText.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift::CorpusCapture {
namespace {

bool isNumericCharacter(const std::string& character) {
    const std::u32string scalars = unicode::codePoints(character);
    return !scalars.empty() && std::all_of(scalars.begin(), scalars.end(), unicode::isNumber);
}

} // namespace

std::optional<std::int64_t> folderNumber(std::string_view name) {
    if (!name.starts_with(folderPrefix)) return std::nullopt;
    const std::string_view rest = name.substr(folderPrefix.size());
    const auto characters = unicode::characters(rest);
    if (characters.empty() ||
        !std::all_of(characters.begin(), characters.end(), isNumericCharacter))
        return std::nullopt;
    // Numeric characters outside ASCII do not read as a number.
    return decimalInteger(rest, false);
}

std::string nextFolderName(const std::vector<std::string>& existing) {
    std::int64_t largest = 0;
    for (const auto& name : existing)
        if (auto number = folderNumber(name)) largest = std::max(largest, *number);
    if (largest == std::numeric_limits<std::int64_t>::max())
        throw std::overflow_error("no capture number follows " + std::to_string(largest));
    char text[32];
    std::snprintf(text, sizeof text, "capture-%04lld", static_cast<long long>(largest + 1));
    return text;
}

} // namespace keepsift::CorpusCapture
