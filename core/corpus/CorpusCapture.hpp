#pragma once

#include <cstddef>
#include <string_view>

#include "core/support/RawEnum.hpp"

// A capture folder is the unit in which one human-checked group leaves the photo library.
namespace keepsift::CorpusCapture {

// How a folder's grouping came about: only hand-foldered folders are grouping evidence.
enum class Origin { handFoldered, appGrouped };

inline constexpr std::string_view manifestFilename = "capture.json";
inline constexpr std::string_view folderPrefix = "capture-";
inline constexpr size_t exportedNameLimit = 250; // bytes of UTF-8
inline constexpr std::string_view winnerMark = " - winner";
inline constexpr std::string_view stemFallback = "photo";
inline constexpr std::string_view extensionFallback = "jpeg";

} // namespace keepsift::CorpusCapture

namespace keepsift {
template <> struct RawValues<CorpusCapture::Origin> {
    static constexpr std::array<std::string_view, 2> names{"handFoldered", "appGrouped"};
};
} // namespace keepsift
