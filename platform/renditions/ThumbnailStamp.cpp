#include "platform/renditions/ThumbnailStamp.hpp"

#include "platform/imaging/HexText.hpp"

#include <charconv>
#include <cstring>
#include <openssl/evp.h>
#include <sys/stat.h>

namespace keepsift {
namespace {

// The characters a file URI keeps as they are in its path, as the desktop writes them.
bool keptInPath(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return c != 0 && std::strchr("!$&'()*+,-./:=@_~", c) != nullptr;
}

std::optional<std::int64_t> parseSeconds(const std::string& text) {
    std::int64_t value = 0;
    const auto* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

} // namespace

std::string fileUri(const std::filesystem::path& absolutePath) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : absolutePath.string()) {
        if (keptInPath(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 0xF];
        }
    }
    return uri;
}

std::string md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};
    return lowerHex({digest, length});
}

std::optional<ThumbnailStamp> ThumbnailStamp::of(const std::filesystem::path& original) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(original, error).lexically_normal();
    struct stat info {};
    if (error || ::stat(absolute.c_str(), &info) != 0) return std::nullopt;
    return ThumbnailStamp{fileUri(absolute), static_cast<std::int64_t>(info.st_mtime)};
}

bool ThumbnailStamp::matches(const std::map<std::string, std::string>& text) const {
    const auto uriChunk = text.find(uriKey);
    const auto mtimeChunk = text.find(mtimeKey);
    if (uriChunk == text.end() || mtimeChunk == text.end()) return false;
    return uriChunk->second == uri && parseSeconds(mtimeChunk->second) == mtime;
}

std::map<std::string, std::string> ThumbnailStamp::text() const {
    return {{uriKey, uri}, {mtimeKey, std::to_string(mtime)}};
}

std::string ThumbnailStamp::fileName() const {
    return md5Hex(uri) + ".png";
}

} // namespace keepsift
