#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace keepsift {

// What ties a cached thumbnail to its original: the original's file URI and modification
// time in whole seconds, stored as the PNG text chunks Thumb::URI and Thumb::MTime.
struct ThumbnailStamp {
    std::string uri;
    std::int64_t mtime = 0;

    static constexpr const char* uriKey = "Thumb::URI";
    static constexpr const char* mtimeKey = "Thumb::MTime";

    // Absent when the original cannot be examined.
    static std::optional<ThumbnailStamp> of(const std::filesystem::path& original);
    // A thumbnail whose chunks say otherwise is stale.
    bool matches(const std::map<std::string, std::string>& text) const;
    std::map<std::string, std::string> text() const;
    // The cache's file name: the MD5 of the URI in lower-case hex, ".png".
    std::string fileName() const;

    bool operator==(const ThumbnailStamp&) const = default;
};

// file:// and the absolute path with every byte outside the URI path set escaped as %XX.
std::string fileUri(const std::filesystem::path& absolutePath);
std::string md5Hex(const std::string& text);

} // namespace keepsift
