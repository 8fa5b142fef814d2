#pragma once

#include "core/support/RawEnum.hpp"

namespace keepsift {

// The user's choice for a library whose originals are in iCloud.
enum class ScanScope { wholeLibrary, batches };
template <> struct RawValues<ScanScope> {
    static constexpr std::array<std::string_view, 2> names{"wholeLibrary", "batches"};
};

} // namespace keepsift
