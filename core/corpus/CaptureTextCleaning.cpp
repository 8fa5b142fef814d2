#include "core/corpus/CaptureNaming.hpp"
#include "core/corpus/TextTrim.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift::CorpusCapture {
namespace {

bool isBlank(char32_t c) {
    return unicode::isWhitespace(c) || unicode::isNewline(c) || unicode::isControl(c);
}

bool isPathSeparator(char32_t c) {
    return c == U'/' || c == U':' || c == U'\\';
}

bool isLetterOrNumber(const std::string& character) {
    const std::u32string scalars = unicode::codePoints(character);
    return !scalars.empty() && (unicode::isLetter(scalars[0]) || unicode::isNumber(scalars[0]));
}

std::string orFallback(std::string_view text, std::string_view fallback) {
    return std::string(text.empty() ? fallback : text);
}

} // namespace

std::string sanitisedStem(std::string_view stem) {
    std::u32string out;
    bool inBlankRun = false;
    for (char32_t c : unicode::codePoints(stem)) {
        if (isBlank(c)) {
            if (!inBlankRun) out += U'_';
            inBlankRun = true;
            continue;
        }
        inBlankRun = false;
        out += isPathSeparator(c) ? U'-' : c;
    }
    return orFallback(trimmed(unicode::utf8(out), " ._-,"), stemFallback);
}

std::string extensionSlug(std::string_view extension) {
    std::string out;
    for (const auto& character : unicode::characters(unicode::lowercased(extension)))
        if (isLetterOrNumber(character)) out += character;
    return orFallback(out, extensionFallback);
}

std::string sanitisedHint(std::string_view hint) {
    std::u32string out;
    for (char32_t c : unicode::codePoints(hint)) {
        if (isBlank(c)) {
            if (!out.empty() && out.back() != U' ') out += U' ';
            continue;
        }
        out += isPathSeparator(c) ? U'-' : c;
    }
    return std::string(trimmed(unicode::utf8(out), " -,"));
}

std::string truncated(std::string_view text, size_t bytes) {
    if (text.size() <= bytes) return std::string(text);
    std::string out;
    for (const auto& character : unicode::characters(text)) {
        if (out.size() + character.size() > bytes) break;
        out += character;
    }
    return orFallback(out, stemFallback);
}

} // namespace keepsift::CorpusCapture
