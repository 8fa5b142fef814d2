#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace keepsift {

// "%g" of each value in the C locale, joined by "," after the prefix.
std::string joinedPolicyValues(std::string_view prefix, std::initializer_list<double> values);

} // namespace keepsift
