#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>

namespace keepsift::thumbnails {

// The file:// address the freedesktop.org thumbnail specification names a file by.
std::string fileUri(const std::filesystem::path& absolutePath);
// The lower-case hexadecimal MD5 of the address: the thumbnail's file name without ".png".
std::string uriDigest(const std::string& uri);
// The tEXt entries of a PNG file ("Thumb::URI", "Thumb::MTime"...); empty when it is no PNG.
std::map<std::string, std::string> pngTextEntries(std::span<const std::uint8_t> png);

} // namespace keepsift::thumbnails
