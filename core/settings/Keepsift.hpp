#pragma once

#include <string_view>

namespace keepsift {

// The product's identity.
struct Keepsift {
    Keepsift() = delete;
    static constexpr std::string_view name = "Keepsift";
    static constexpr std::string_view version = "0.1.2";
    static constexpr std::string_view identifier = "com.ambervale.keepsift";
};

} // namespace keepsift
