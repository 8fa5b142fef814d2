#pragma once

#include <filesystem>
#include <memory>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/library/LivePhotoLibrary.hpp"
#include "platform/library/FolderPhotoLibrary.hpp"
#include "platform/library/PlatformDialogs.hpp"

namespace keepsift {

// The questions the platform layer puts to the user, answered by the application's dialogs.
struct PlatformDialogs {
    std::shared_ptr<ConsentPrompt> consent;
    std::shared_ptr<DeletionConfirmation> deletion;
};

// The live photo library and signal extractor over one shared folder-library port.
struct LiveServices {
    std::shared_ptr<FolderPhotoLibrary> port;
    std::shared_ptr<LivePhotoLibrary> library;
    std::shared_ptr<LiveSignalExtractor> extractor;
};

// Reads the XDG folders as they are now. Without a context a new one is made, which loads
// the analysis models. Tests hand in file system calls that fail or race where they choose.
LiveServices makeLiveServices(const std::filesystem::path& libraryRoot, PlatformDialogs dialogs,
                              std::shared_ptr<const AnalysisContext> context = nullptr,
                              WatcherOptions watcher = {},
                              std::shared_ptr<FileSystemOps> ops = realFileSystem());

} // namespace keepsift
