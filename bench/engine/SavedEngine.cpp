#include "bench/engine/SavedEngine.hpp"

#include <cstdlib>
#include <system_error>

#include "bench/engine/EngineLibrary.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"

namespace keepsift::bench {

void CountingStorage::write(const Data& data, const std::string& name) {
    note(name, data.size());
    base_->write(data, name);
}

void CountingStorage::writeParts(const FileParts& parts, const std::string& name) {
    std::size_t size = 0;
    base_->writeParts(
        [&](const FilePartWriter& emit) {
            parts([&](std::string_view part) {
                size += part.size();
                emit(part);
            });
        },
        name);
    note(name, size);
}

void CountingStorage::note(const std::string& name, std::size_t size) {
    bytes += size;
    if (name == ScanEngine::indexFileName) ++indexSaves;
}

SavedEngine::SavedEngine(int photos, std::shared_ptr<Clock> clock) : photos(photos) {
    std::string pattern = (std::filesystem::temp_directory_path() / "ks-saving-XXXXXX");
    folder = ::mkdtemp(pattern.data());
    storage = std::make_shared<CountingStorage>(std::make_shared<ApplicationSupportStorage>(
        ApplicationSupportStorage::inDirectory(folder)));
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
