#include "telemetry/device/LocaleFacts.hpp"

#include <cstdlib>
#include <unicode/locid.h>

#include "core/support/Unicode.hpp"

namespace keepsift::analytics {
namespace {

std::optional<std::string> nonEmpty(const Environment& environment, const char* name) {
    auto value = environment(name);
    if (value && value->empty()) return std::nullopt;
    return value;
}

// "de_DE.UTF-8@euro" -> "de_DE"
std::string withoutCodeset(std::string posix) {
    const auto cut = posix.find_first_of(".@");
    if (cut != std::string::npos) posix.resize(cut);
    return posix;
}

std::string posixLocale(const Environment& environment) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (auto value = nonEmpty(environment, name)) return withoutCodeset(*value);
    return {};
}

// The first component of a language list entry split at "-" and "_".
std::string firstComponent(std::string_view text) {
    return std::string(text.substr(0, text.find_first_of("-_")));
}

std::string lastComponent(std::string_view text) {
    const auto cut = text.find_last_of("-_");
    return std::string(cut == std::string_view::npos ? text : text.substr(cut + 1));
}

} // namespace

Environment processEnvironment() {
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    };
}

LocaleFacts readLocaleFacts(const Environment& environment) {
    std::string posix = unicode::wellFormed(posixLocale(environment));
    if (posix.empty() || posix == "C" || posix == "POSIX") posix = "en_US_POSIX";
    const icu::Locale locale = icu::Locale::createCanonical(posix.c_str());
    LocaleFacts facts;
    facts.identifier = locale.isBogus() ? posix : locale.getName();
    facts.language = locale.isBogus() ? "" : locale.getLanguage();
    if (facts.language.empty()) facts.language = firstComponent(facts.identifier);
    facts.region = locale.isBogus() ? "" : locale.getCountry();
    if (facts.region.empty()) facts.region = lastComponent(facts.identifier);
    std::string preferred;
    if (auto list = nonEmpty(environment, "LANGUAGE")) preferred = list->substr(0, list->find(':'));
    if (preferred.empty()) preferred = posixLocale(environment);
    if (preferred.empty() || preferred == "C" || preferred == "POSIX") preferred = "zz-ZZ";
    facts.preferredLanguage = firstComponent(unicode::wellFormed(withoutCodeset(preferred)));
    return facts;
}

} // namespace keepsift::analytics
