#include <algorithm>
#include <vector>

#include "core/corpus/CaptureNaming.hpp"
#include "core/corpus/TextJoin.hpp"
#include "core/corpus/TextTrim.hpp"

namespace keepsift::CorpusCapture {
namespace {

std::vector<std::string> spaceSeparatedWords(std::string_view text) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Drops hint words from the end until the whole name fits.
std::string withHint(const std::string& base, std::string_view separator, std::string_view hint,
                     std::ptrdiff_t budget) {
    const auto words = spaceSeparatedWords(hint);
    for (size_t count = words.size(); count > 0; --count) {
        const std::string text(trimmed(joined(words, " ", count), " -,"));
        if (text.empty()) return base;
        const std::string name = base + std::string(separator) + text;
        if (static_cast<std::ptrdiff_t>(name.size()) <= budget) return name;
    }
    return base;
}

} // namespace

std::string exportedFilename(std::string_view stem, std::string_view extension, bool isWinner,
                             std::string_view hint) {
    std::string tail(".");
    tail += extension;
    const auto budget =
        static_cast<std::ptrdiff_t>(exportedNameLimit) - static_cast<std::ptrdiff_t>(tail.size());
    const std::string mark = isWinner ? std::string(winnerMark) : "";
    const std::string base = std::string(stem) + mark;
    if (static_cast<std::ptrdiff_t>(base.size()) > budget) {
        const auto room = budget - static_cast<std::ptrdiff_t>(mark.size());
        return truncated(stem, static_cast<size_t>(std::max<std::ptrdiff_t>(1, room))) + mark +
               tail;
    }
    if (hint.empty()) return base + tail;
    return withHint(base, isWinner ? ", " : " - ", hint, budget) + tail;
}

std::string uniqueFilename(std::string_view stem, std::string_view extension, bool isWinner,
                           std::string_view hint, const std::set<std::string>& taken) {
    const std::string cleanStem = sanitisedStem(stem);
    const std::string cleanExtension = extensionSlug(extension);
    const std::string cleanHint = sanitisedHint(hint);
    for (std::int64_t attempt = 1;; ++attempt) {
        const std::string attemptStem =
            attempt == 1 ? cleanStem : cleanStem + "~" + std::to_string(attempt);
        std::string name = exportedFilename(attemptStem, cleanExtension, isWinner, cleanHint);
        if (!taken.contains(name)) return name;
    }
}

} // namespace keepsift::CorpusCapture
