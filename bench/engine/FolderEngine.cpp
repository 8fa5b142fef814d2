#include "bench/engine/FolderEngine.hpp"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>

#include "bench/engine/EngineLibrary.hpp"
#include "bench/library/ConsentingDialogs.hpp"
#include "bench/library/DatedJpeg.hpp"
#include "core/scripted/FixtureSignalSource.hpp"

namespace keepsift::bench {
namespace {

namespace fs = std::filesystem;

} // namespace

void writePhotographs(const fs::path& pictures, int count, std::int64_t fileBytes) {
    DatedJpeg jpeg;
    std::mt19937_64 random(47);
    std::string tail(static_cast<std::size_t>(std::max<std::int64_t>(0, fileBytes)), '\0');
    for (auto& byte : tail)
        byte = static_cast<char>(random());
    for (int i = 0; i < count; ++i) {
        const auto folder = pictures / ("folder-" + std::to_string(i / 100));
        if (i % 100 == 0) fs::create_directories(folder);
        const auto file = folder / ("photo-" + std::to_string(i) + ".jpg");
        jpeg.write(file, 20 + i / 8760 % 10, 1 + i / 730 % 12, 1 + i / 24 % 28, i % 24, i % 60,
                   i * 7 % 60);
        const auto size = static_cast<std::int64_t>(fs::file_size(file));
        if (fileBytes - size - 4096 > 0)
            std::ofstream(file, std::ios::binary | std::ios::app)
                .write(tail.data() + i % 4096, fileBytes - size - 4096);
    }
}

FolderEngine::FolderEngine(int photos, std::int64_t fileBytes, bool digests)
    : photos(photos), storage(countedFolderStorage(files)) {
    for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        ::setenv(name, (root / name).c_str(), 1);
    writePhotographs(pictures(), photos, fileBytes);
    auto yes = std::make_shared<ConsentingDialogs>();
    services = makeLiveServices(pictures(), {yes, yes});
    library = std::make_shared<CountingLibrary>(services.library);
    start();
    measureAll();
    engine->flush();
    start();
    if (digests) readAllDigests();
    engine->syncRejectsAlbumIfNeeded();
    engine->flush();
}

FolderEngine::~FolderEngine() {
    engine.reset();
    services = {};
}

void FolderEngine::start() {
    engine = std::make_unique<ScanEngine>(
        library,
        std::make_shared<FixtureSignalSource>(std::vector<PhotoSignals>{},
                                              FixtureSignalSource::Miss::refuse),
        storage, std::make_shared<SystemClock>());
    engine->ensureAuthorization(true);
    engine->refreshStorageMode();
    engine->reconcileWithLibrary();
}

void FolderEngine::readAllDigests() {
    for (int step = 0; step < photos; ++step)
        if (engine->fillContentDigests(running()) != DigestFill::more) return;
}

void FolderEngine::measureAll() {
    const auto made = makeEngineLibrary(photos);
    const auto index = engine->index();
    std::size_t next = 0;
    for (const auto& [id, entry] : index.entries) {
        PhotoSignals signals = made.signals.at(next++);
        signals.digest = id;
        signals.filename = entry.asset.filename;
        signals.capturedAt = entry.asset.createdAt;
        signals.pixelWidth = entry.asset.pixelWidth;
        signals.pixelHeight = entry.asset.pixelHeight;
        signals.fileSize = entry.asset.fileSize;
        engine->recordSignals(signals, id);
    }
    engine->regroup();
    for (const auto& [id, entry] : engine->index().entries)
        if (entry.state == ReviewState::keeper) decided.push_back(id);
}

} // namespace keepsift::bench
