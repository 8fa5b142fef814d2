#pragma once

#include <memory>
#include <vector>

#include "core/engine/ScanEngine.hpp"
#include "core/scripted/ScriptedLibrary.hpp"

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

// The library as the engine lists it, all of it readable.
std::shared_ptr<ScriptedLibrary> makeScriptedLibrary(const EngineLibrary& library);

// An engine that has listed the library and, when asked, measured and grouped all of it,
// on files in memory, a fixed clock and a scripted library of its own unless others are
// given. Measured photographs have no content digests, as an earlier build kept none.
std::unique_ptr<ScanEngine> makeEngine(const EngineLibrary& library, bool measured,
                                       std::shared_ptr<FileStorage> storage = nullptr,
                                       std::shared_ptr<Clock> clock = nullptr,
                                       std::shared_ptr<PhotoLibrary> photos = nullptr);

} // namespace keepsift::bench
