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

// A path as a Trash entry writes it, its escapes undone.
inline std::string trashPathUnescaped(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '%' && i + 2 < text.size()) {
            plain += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            plain += text[i];
        }
    return plain;
}

// The library's filesystem calls, with room for a user's act at the moment a file is moved
// into a Trash: after the delete's comparing read, as its Trash entry is written, the step
// before its last look at the file and the move.
class TrashMoveSeam : public FileSystemOps {
public:
    // Given the path being moved, as its Trash entry names it (relative to the drive's top for
    // a Trash at the top of a drive); answers whether it acted, which disarms it.
    std::function<bool(const std::string&)> beforeTrashMove;

    int writeNewFile(const Place& file, const std::string& contents) override {
        if (beforeTrashMove && file.relative.ends_with(".trashinfo") &&
            beforeTrashMove(pathNamedIn(contents)))
            beforeTrashMove = nullptr;
        return FileSystemOps::writeNewFile(file, contents);
    }

private:
    static std::string pathNamedIn(const std::string& info) {
        const auto at = info.find("\nPath=");
        if (at == std::string::npos) return {};
        const auto begin = at + 6;
        return trashPathUnescaped(info.substr(begin, info.find('\n', begin) - begin));
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
