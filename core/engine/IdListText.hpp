#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace keepsift {

// A set of photograph identifiers stored under one key of a JSON object.
std::string encodedIdList(std::string_view key, const std::set<std::string>& ids);
// Nothing when the text holds no such list.
std::optional<std::set<std::string>> decodedIdList(std::string_view key, std::string_view text);
// The most bytes the identifier takes in such a list, its separator included.
std::size_t longestIdText(std::string_view id);

} // namespace keepsift
