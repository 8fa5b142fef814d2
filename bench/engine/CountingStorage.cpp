#include "bench/engine/CountingStorage.hpp"

#include <cstdlib>

#include "core/engine/ScanEngine.hpp"
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

std::shared_ptr<CountingStorage> countedFolderStorage(const std::filesystem::path& folder) {
    return std::make_shared<CountingStorage>(std::make_shared<ApplicationSupportStorage>(
        ApplicationSupportStorage::inDirectory(folder)));
}

} // namespace keepsift::bench
