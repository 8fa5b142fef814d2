#pragma once

#include <stdexcept>

namespace keepsift::corpustool {

// Input the tool cannot work with: a missing folder, an unreadable file. Exit status 2.
class BadInput : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int exitBadInput = 2;

} // namespace keepsift::corpustool
