#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/storage/UserDefaults.hpp"

namespace keepsift::analytics {

// Integers, texts and lists of texts in a defaults suite that holds only data: a text is its
// UTF-8 bytes (as the client's "defaultUserIdentifier"), an integer its decimal digits, a
// list its JSON array. A value that does not read as its kind reads as nothing.
namespace suite {

std::optional<std::int64_t> integer(const UserDefaults& defaults, const std::string& key);
void setInteger(UserDefaults& defaults, const std::string& key, std::int64_t value);

std::optional<std::string> text(const UserDefaults& defaults, const std::string& key);
void setText(UserDefaults& defaults, const std::string& key, const std::string& value);

std::optional<std::vector<std::string>> texts(const UserDefaults& defaults, const std::string& key);
void setTexts(UserDefaults& defaults, const std::string& key,
              const std::vector<std::string>& values);

} // namespace suite
} // namespace keepsift::analytics
