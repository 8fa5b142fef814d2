#include <algorithm>

#include "core/support/Unicode.hpp"
#include "core/text/Strings.hpp"

namespace keepsift {
namespace {

std::string firstTwoCharacters(std::string_view identifier) {
    const auto characters = unicode::characters(identifier);
    std::string prefix;
    for (size_t i = 0; i < characters.size() && i < 2; ++i)
        prefix += characters[i];
    return unicode::lowercased(prefix);
}

bool isSupported(std::string_view code) {
    const auto& codes = Strings::supportedLanguages;
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

} // namespace

std::string Strings::preferredLanguage(const std::vector<std::string>& identifiers) {
    for (const auto& identifier : identifiers) {
        std::string prefix = firstTwoCharacters(identifier);
        if (isSupported(prefix)) return prefix;
    }
    return "en";
}

std::string Strings::languageName(std::string_view code, std::string_view language) {
    if (code == "de") return isGerman(language) ? "Deutsch" : "German";
    return isGerman(language) ? "Englisch" : "English";
}

std::string Strings::text(Reason reason, std::string_view language) {
    return std::string(keepsift::text(reason, language));
}

} // namespace keepsift
