#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "photos/extractor/PortImageDataProvider.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "photos/services/LiveServices.hpp"
#include "platform/library/FileSystemOps.hpp"
#include "platform/renditions/CachedRenditionSource.hpp"

namespace keepsift::sequences {

// The library's filesystem calls, with room for a user's act at the moment a file is moved
// into a Trash: after the delete's last look at it, before it lands there.
class TrashMoveSeam : public FileSystemOps {
public:
    // Given the path being moved; answers whether it acted, which disarms it.
    std::function<bool(const std::string&)> beforeTrashMove;

    int renamePath(const Place& from, const Place& to) override {
        if (beforeTrashMove && intoTrash(to.path()) && beforeTrashMove(from.path()))
            beforeTrashMove = nullptr;
        return FileSystemOps::renamePath(from, to);
    }

private:
    static bool intoTrash(const std::string& path) {
        return path.find("/files/") != std::string::npos && path.find("Trash") != std::string::npos;
    }
};

// The live services over the library, as the application makes them, their filesystem calls
// going through the seam.
inline LiveServices liveServicesThrough(std::shared_ptr<TrashMoveSeam> seam,
                                        const std::filesystem::path& root,
                                        PlatformDialogs dialogs) {
    FolderLibraryOptions options;
    options.root = root;
    options.consentPrompt = std::move(dialogs.consent);
    options.deletionConfirmation = std::move(dialogs.deletion);
    options.renditions = std::make_shared<CachedRenditionSource>();
    options.ops = std::move(seam);
    auto port = std::make_shared<FolderPhotoLibrary>(std::move(options));
    return {port, std::make_shared<LivePhotoLibrary>(port),
            std::make_shared<LiveSignalExtractor>(testing::sharedContext(),
                                                  std::make_shared<PortImageDataProvider>(port))};
}

} // namespace keepsift::sequences
