#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/engine/ScanEngine.hpp"
#include "core/storage/MemoryFileStorage.hpp"
#include "photos/services/tests/FileBytes.hpp"
#include "photos/services/tests/LiveHome.hpp"

namespace keepsift::testing {

// The engine over the picture folder with the live services; its files are kept in memory.
class EngineOverFolder : public LiveHome {
protected:
    static WorkConditions running() {
        WorkConditions conditions;
        conditions.power = WorkConditions::Power::mains;
        return conditions;
    }

    // The engine over the running services, or a library wrapping them, given access to the
    // folder.
    void startEngine(std::shared_ptr<PhotoLibrary> library = nullptr) {
        engine =
            std::make_unique<ScanEngine>(library ? library : services.library, services.extractor,
                                         storage, std::make_shared<SystemClock>());
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    }
    // The files saved as a quit leaves them, and the services stopped.
    void quitEngine() {
        engine->flush();
        engine.reset();
        services = {};
    }

    // A listing, with what it found measured and decided and the album brought in step.
    void relist() {
        engine->reconcileWithLibrary();
        analyseAll();
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
    }

    int analyseAll() {
        int steps = 0;
        while (steps < 50 && engine->analyseNext(running()))
            ++steps;
        return steps;
    }

    // The files whose status changed read back, as the idle pump does.
    void readBack() {
        for (int step = 0; step < 100; ++step)
            if (engine->fillContentDigests(running()) != DigestFill::more) return;
    }

    std::vector<std::string> idsIn(ReviewState state) const {
        std::vector<std::string> ids;
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.state == state) ids.push_back(id);
        return ids;
    }

    std::filesystem::path album() const {
        return pictures / std::string(LivePhotoLibrary::rejectsAlbumTitle);
    }

    // The photographs the rejects folder links to, relative to the library.
    std::vector<std::string> linked() const {
        std::vector<std::string> ids;
        if (!std::filesystem::exists(album())) return ids;
        for (const auto& link : std::filesystem::directory_iterator(album()))
            if (std::filesystem::exists(link.path()))
                ids.push_back(std::filesystem::relative(std::filesystem::canonical(link.path()),
                                                        std::filesystem::canonical(pictures))
                                  .string());
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    std::vector<std::string> flagged() const {
        std::vector<std::string> ids;
        for (const auto& entry : engine->index().flaggedEntries())
            ids.push_back(entry.asset.id);
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    int journalled(ReviewJournal::Event event, const std::string& id) const {
        const auto entries = engine->journal().entries();
        return static_cast<int>(std::count_if(entries.begin(), entries.end(), [&](const auto& e) {
            return e.event == event && e.assetID == id;
        }));
    }
    ReviewState stateOf(const std::string& id) const {
        return engine->index().entries.at(id).state;
    }

    // The bytes of what the Trash holds.
    std::vector<std::vector<char>> trashed() const {
        std::vector<std::vector<char>> files;
        const auto folder = root / "XDG_DATA_HOME" / "Trash" / "files";
        if (std::filesystem::exists(folder))
            for (const auto& file : std::filesystem::directory_iterator(folder))
                files.push_back(bytesOf(file.path()));
        return files;
    }

    // Links in the rejects folder that lead nowhere.
    int danglingLinks() const {
        int count = 0;
        if (!std::filesystem::exists(album())) return count;
        for (const auto& link : std::filesystem::directory_iterator(album()))
            count += link.is_symlink() && !std::filesystem::exists(link.path());
        return count;
    }

    std::shared_ptr<MemoryFileStorage> storage = std::make_shared<MemoryFileStorage>();
    std::unique_ptr<ScanEngine> engine;
};

} // namespace keepsift::testing
