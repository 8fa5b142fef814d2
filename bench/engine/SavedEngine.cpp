#include "bench/engine/SavedEngine.hpp"

#include "bench/engine/EngineLibrary.hpp"

namespace keepsift::bench {

SavedEngine::SavedEngine(int photos, std::shared_ptr<Clock> clock)
    : photos(photos), folder("ks-saving"), storage(countedFolderStorage(folder)) {
    engine = makeEngine(makeEngineLibrary(photos), true, storage, std::move(clock));
    engine->syncRejectsAlbumIfNeeded();
    engine->save();
}

SavedEngine::~SavedEngine() = default;

} // namespace keepsift::bench
