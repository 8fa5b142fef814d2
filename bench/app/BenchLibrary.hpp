#pragma once

#include <filesystem>

namespace keepsift::bench {

// A home of its own (XDG folders below `root`), a returning user whose first-run notice is
// seen and who granted access to the picture folder.
void prepareHome(const std::filesystem::path& root);
void useHome(const std::filesystem::path& root);

// `count` small photographs, each its own moment, already measured: the index is written
// directly through the engine with synthetic measurements, as a finished first pass leaves it.
void makeMeasuredLibrary(const std::filesystem::path& root, int count);
// `count` 12-megapixel photographs in bursts of five, nothing measured yet.
void makeFreshLibrary(const std::filesystem::path& root, int count);

} // namespace keepsift::bench
