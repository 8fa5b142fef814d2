#include "platform/analysis/UtilityImageRule.hpp"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>
#include <utility>

#include "core/support/Unicode.hpp"

namespace keepsift {
namespace {

bool mentionsAny(const std::string& text, std::span<const std::string_view> words) {
    std::string lower = unicode::lowercased(text);
    return std::any_of(words.begin(), words.end(), [&](std::string_view word) {
        return lower.find(word) != std::string::npos;
    });
}

bool namesScreenshot(const std::string& filename) {
    static constexpr std::array<std::string_view, 5> words = {
        "screenshot", "screen shot", "bildschirmfoto", "capture d\u2019\u00e9cran", "schermata"};
    return mentionsAny(filename, words);
}

bool softwareTakesScreenshots(const std::optional<std::string>& software) {
    static constexpr std::array<std::string_view, 6> words = {
        "screenshot", "spectacle", "flameshot", "ksnip", "shutter", "greenshot"};
    return software && mentionsAny(*software, words);
}

bool isScreenSized(std::int64_t width, std::int64_t height) {
    static constexpr std::array<std::pair<std::int64_t, std::int64_t>, 14> screens = {
        {{1280, 720},
         {1280, 800},
         {1366, 768},
         {1440, 900},
         {1536, 864},
         {1600, 900},
         {1680, 1050},
         {1920, 1080},
         {1920, 1200},
         {2560, 1440},
         {2560, 1600},
         {2880, 1800},
         {3840, 2160},
         {1170, 2532}}};
    return std::any_of(screens.begin(), screens.end(), [&](const auto& screen) {
        return (width == screen.first && height == screen.second) ||
               (width == screen.second && height == screen.first);
    });
}

} // namespace

bool isUtilityImage(const UtilityEvidence& evidence) {
    if (namesScreenshot(evidence.filename)) return true;
    if (softwareTakesScreenshots(evidence.software)) return true;
    return evidence.isPng && !evidence.hasCameraMetadata &&
           isScreenSized(evidence.pixelWidth, evidence.pixelHeight);
}

} // namespace keepsift
