#pragma once

#include <mutex>

namespace keepsift {

// exiv2's XMP toolkit must be set up once and is not safe for two threads at once (the folder
// library lists while the extractor measures on every core). Every use of exiv2, from opening an
// image to dropping it, holds what this returns.
[[nodiscard]] std::unique_lock<std::mutex> enterExiv2();

} // namespace keepsift
