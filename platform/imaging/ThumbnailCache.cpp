#include "platform/imaging/ThumbnailCache.hpp"
#include "platform/imaging/HexText.hpp"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include <openssl/evp.h>

namespace keepsift::thumbnails {
namespace {

// What GLib leaves unescaped in a file address.
bool keptInUri(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-._~!$&'()*+,;=:@/").find(static_cast<char>(c)) !=
               std::string_view::npos;
}

std::uint32_t bigEndian(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

void addTextEntry(std::span<const std::uint8_t> data, std::map<std::string, std::string>& entries) {
    const auto* start = reinterpret_cast<const char*>(data.data());
    std::string_view chunk(start, data.size());
    auto separator = chunk.find('\0');
    if (separator == std::string_view::npos) return;
    entries.emplace(std::string(chunk.substr(0, separator)),
                    std::string(chunk.substr(separator + 1)));
}

} // namespace

std::string fileUri(const std::filesystem::path& absolutePath) {
    std::string uri = "file://";
    char escaped[4];
    for (unsigned char c : absolutePath.string()) {
        if (keptInUri(c)) {
            uri += static_cast<char>(c);
        } else {
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    return uri;
}

std::string uriDigest(const std::string& uri) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(uri.data(), uri.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};
    return lowerHex({digest, length});
}

std::map<std::string, std::string> pngTextEntries(std::span<const std::uint8_t> png) {
    static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::map<std::string, std::string> entries;
    if (png.size() < 8 || std::memcmp(png.data(), signature, 8) != 0) return entries;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        std::uint32_t length = bigEndian(png.data() + at);
        std::string_view type(reinterpret_cast<const char*>(png.data() + at + 4), 4);
        if (length > png.size() - at - 12) break;
        if (type == "tEXt") addTextEntry(png.subspan(at + 8, length), entries);
        if (type == "IEND") break;
        at += 12 + static_cast<size_t>(length);
    }
    return entries;
}

} // namespace keepsift::thumbnails
