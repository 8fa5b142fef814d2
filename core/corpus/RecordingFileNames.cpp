#include <algorithm>

#include "core/corpus/CorpusRecording.hpp"
#include "core/corpus/DecimalText.hpp"
#include "core/corpus/MergedOrder.hpp"
#include "core/corpus/TextTrim.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {
namespace {

constexpr std::string_view jsonSuffix = ".json";

std::optional<std::int64_t> nameNumber(std::string_view name) {
    std::string rest(name);
    for (size_t at = rest.find(jsonSuffix); at != std::string::npos; at = rest.find(jsonSuffix))
        rest.erase(at, jsonSuffix.size());
    return decimalInteger(rest);
}

bool textLess(std::string_view a, std::string_view b) {
    return unicode::less(a, b);
}

std::vector<std::string> letterRuns(std::string_view text) {
    std::vector<std::string> words;
    std::u32string word;
    for (char32_t c : unicode::codePoints(text) + U' ') {
        if (unicode::isLetter(c)) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(unicode::utf8(word));
            word.clear();
        }
    }
    return words;
}

} // namespace

bool CorpusRecording::numericNameOrder(std::string_view a, std::string_view b) {
    const auto numberA = nameNumber(a), numberB = nameNumber(b);
    if (numberA && numberB && *numberA != *numberB) return *numberA < *numberB;
    return textLess(a, b);
}

std::vector<std::string> CorpusRecording::recordingFiles(const std::vector<std::string>& names) {
    std::vector<std::string> files;
    std::copy_if(names.begin(), names.end(), std::back_inserter(files), [](const std::string& n) {
        return n.ends_with(jsonSuffix) && !n.starts_with(".");
    });
    return mergedOrder(
        std::move(files), [](const std::string& n) { return nameNumber(n).has_value(); },
        [](const std::string& a, const std::string& b) { return numericNameOrder(a, b); },
        [](const std::string& a, const std::string& b) { return textLess(a, b); });
}

CorpusRecording::WinnerMarker CorpusRecording::winnerMarker(std::string_view exportedName) {
    std::string_view stem = exportedName.substr(0, exportedName.rfind('.'));
    const size_t space = stem.find(' ');
    const std::string_view tail = space == std::string_view::npos ? "" : stem.substr(space + 1);
    WinnerMarker marker;
    marker.hint = std::string(trimmed(tail, " -,"));
    const auto words = letterRuns(unicode::lowercased(marker.hint));
    marker.isWinner = std::find(words.begin(), words.end(), "winner") != words.end();
    return marker;
}

} // namespace keepsift
