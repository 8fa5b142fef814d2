#pragma once

namespace keepsift::xdg {

inline constexpr const char* appFolder = "com.ambervale.keepsift";

} // namespace keepsift::xdg
