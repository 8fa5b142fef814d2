#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/engine/ScanEngine.hpp"
#include "core/storage/MemoryFileStorage.hpp"
#include "photos/services/tests/LiveHome.hpp"

namespace keepsift::testing {

// The engine over the picture folder with the live services; its files are kept in memory.
class EngineOverFolder : public LiveHome {
protected:
    int analyseAll() {
        WorkConditions conditions;
        conditions.power = WorkConditions::Power::mains;
        int steps = 0;
        while (steps < 50 && engine->analyseNext(conditions))
            ++steps;
        return steps;
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

    std::shared_ptr<MemoryFileStorage> storage = std::make_shared<MemoryFileStorage>();
    std::unique_ptr<ScanEngine> engine;
};

} // namespace keepsift::testing
