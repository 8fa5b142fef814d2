#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keepsift::app {

// One release announced by an appcast (an RSS feed with the sparkle namespace).
struct AppcastItem {
    std::string version;        // sparkle:version, compared with ours
    std::string displayVersion; // sparkle:shortVersionString, else the version
    std::string link;           // the release page, may be empty
    bool operator==(const AppcastItem&) const = default;
};

// The items that name a version; malformed XML gives the items read before the fault.
std::vector<AppcastItem> parseAppcast(std::string_view feed);
// The newest item newer than the current version, if any.
std::optional<AppcastItem> newestAfter(const std::vector<AppcastItem>& items,
                                       std::string_view current);
// Dotted versions compared part by part, numbers as numbers ("0.10" after "0.9"); a
// missing part counts as zero. Negative, zero or positive.
int compareVersions(std::string_view a, std::string_view b);

} // namespace keepsift::app
