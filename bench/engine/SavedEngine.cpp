#include "bench/engine/SavedEngine.hpp"

#include <system_error>

#include "bench/engine/EngineLibrary.hpp"

namespace keepsift::bench {

SavedEngine::SavedEngine(int photos, std::shared_ptr<Clock> clock)
    : photos(photos), folder(makeFilesFolder("ks-saving")), storage(countedFolderStorage(folder)) {
    engine = makeEngine(makeEngineLibrary(photos), true, storage, std::move(clock));
    engine->syncRejectsAlbumIfNeeded();
    engine->save();
}

SavedEngine::~SavedEngine() {
    engine.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace keepsift::bench
