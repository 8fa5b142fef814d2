#pragma once

#include <memory>
#include <vector>

#include "core/engine/ScanEngine.hpp"

namespace keepsift::bench {

inline constexpr double libraryStart = 700000000;

// Sessions of four moments 300 s apart, sessions 4000 s apart; moments of one to five
// shots, about two on average, the first of each sharp and the others blurred.
struct EngineLibrary {
    std::vector<LibraryAsset> assets;
    std::vector<PhotoSignals> signals;
};

EngineLibrary makeEngineLibrary(int photoCount);
WorkConditions running();

// An engine that has listed the library and, when asked, measured and grouped all of it,
// on files in memory and a fixed clock unless others are given.
std::unique_ptr<ScanEngine> makeEngine(const EngineLibrary& library, bool measured,
                                       std::shared_ptr<FileStorage> storage = nullptr,
                                       std::shared_ptr<Clock> clock = nullptr);

} // namespace keepsift::bench
