#include "photos/services/LiveServices.hpp"

#include "photos/extractor/PortImageDataProvider.hpp"
#include "platform/renditions/CachedRenditionSource.hpp"

namespace keepsift {

LiveServices makeLiveServices(const std::filesystem::path& libraryRoot, PlatformDialogs dialogs,
                              std::shared_ptr<const AnalysisContext> context,
                              WatcherOptions watcher, std::shared_ptr<FileSystemOps> ops) {
    FolderLibraryOptions options;
    options.ops = std::move(ops);
    options.root = libraryRoot;
    options.consentPrompt = std::move(dialogs.consent);
    options.deletionConfirmation = std::move(dialogs.deletion);
    options.renditions = std::make_shared<CachedRenditionSource>();
    options.watcher = watcher;
    auto port = std::make_shared<FolderPhotoLibrary>(std::move(options));
    if (!context) context = LiveSignalExtractor::makeContext();
    return {port, std::make_shared<LivePhotoLibrary>(port),
            std::make_shared<LiveSignalExtractor>(std::move(context),
                                                  std::make_shared<PortImageDataProvider>(port))};
}

} // namespace keepsift
