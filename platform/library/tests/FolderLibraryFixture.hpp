#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/library/FolderPhotoLibrary.hpp"

namespace keepsift::foldertest {

struct JpegOptions {
    int width = 16;
    int height = 8;
    std::optional<std::string> dateTimeOriginal;
    std::optional<int> orientation;
    std::optional<int> rating;

    JpegOptions& size(int w, int h) { return width = w, height = h, *this; }
    JpegOptions& date(std::string text) { return dateTimeOriginal = std::move(text), *this; }
    JpegOptions& turned(int value) { return orientation = value, *this; }
    JpegOptions& rated(int value) { return rating = value, *this; }
};
inline JpegOptions jpeg() {
    return {};
}

// Writes a real JPEG with the given metadata (creating its folders).
void writeJpeg(const std::filesystem::path& path, const JpegOptions& options = {});
void writeText(const std::filesystem::path& path, const std::string& text);
std::string readText(const std::filesystem::path& path);

class ScriptedConsent : public ConsentPrompt {
public:
    explicit ScriptedConsent(bool answer) : answer(answer) {}
    bool askLibraryConsent(const std::string&) override {
        ++asked;
        return answer;
    }
    bool answer;
    int asked = 0;
};

class ScriptedConfirmation : public DeletionConfirmation {
public:
    explicit ScriptedConfirmation(bool answer) : answer(answer) {}
    bool confirmDeletion(const std::vector<PortAsset>& assets) override {
        asked.push_back(assets.size());
        return answer;
    }
    bool answer;
    std::vector<size_t> asked;
};

// A filesystem whose single operations can be made to fail.
class FaultyFileSystem : public FileSystemOps {
public:
    DIR* openDirectory(const Place& folder) override {
        std::string path = folder.path();
        if (onOpenDirectory) onOpenDirectory(path);
        if (unreadableFolder && path == *unreadableFolder) {
            errno = EACCES;
            return nullptr;
        }
        return FileSystemOps::openDirectory(folder);
    }
    int makeSymlink(const std::string& target, const Place& link) override {
        if (beforeWrite) beforeWrite(link.path());
        if (symlinksBeforeFull && symlinksMade >= *symlinksBeforeFull) return ENOSPC;
        ++symlinksMade;
        return FileSystemOps::makeSymlink(target, link);
    }
    int writeNewFile(const Place& file, const std::string& text) override {
        if (beforeNewFile) beforeNewFile(file.path());
        return FileSystemOps::writeNewFile(file, text);
    }
    int renamePath(const Place& from, const Place& to) override {
        if (beforeWrite) beforeWrite(from.path());
        if (failRenames || (failRenamesOf && from.path() == *failRenamesOf)) return EXDEV;
        return FileSystemOps::renamePath(from, to);
    }
    std::optional<std::string> unreadableFolder;
    std::function<void(const std::string&)> onOpenDirectory;
    // Called with the path a link is made at or a file is moved from, before it happens.
    std::function<void(const std::string&)> beforeWrite;
    // Called with the path of a file about to be made, such as a Trash info file.
    std::function<void(const std::string&)> beforeNewFile;
    std::optional<int> symlinksBeforeFull;
    int symlinksMade = 0;
    bool failRenames = false;
    std::optional<std::string> failRenamesOf;
};

// A temporary library with its own XDG folders.
class FolderLibraryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path lib(const std::string& relative) const { return root / relative; }
    FolderLibraryOptions options() const;
    std::unique_ptr<FolderPhotoLibrary> makeLibrary(FolderLibraryOptions options);
    std::unique_ptr<FolderPhotoLibrary> makeLibrary() { return makeLibrary(options()); }

    std::vector<std::string> ids(const std::vector<PortAsset>& assets) const;
    const PortAsset& find(const std::vector<PortAsset>& assets, const std::string& id) const;
    // Runs one change block and answers its (success, error).
    std::pair<bool, std::optional<PortError>> change(PhotoLibraryPort& library,
                                                     const PortChangeBlock& block);
    std::optional<PortAssetCollection> rejects(PhotoLibraryPort& library);
    // Deletes these photographs in one change block.
    std::pair<bool, std::optional<PortError>> remove(PhotoLibraryPort& library,
                                                     const std::vector<std::string>& wanted,
                                                     const ReviewedContents& reviewed = {});
    std::filesystem::path trash() const { return base / "data/Trash"; }
    void addToRejects(PhotoLibraryPort& library, const std::vector<std::string>& ids);

    std::filesystem::path base;
    std::filesystem::path root;
    std::shared_ptr<FaultyFileSystem> fs = std::make_shared<FaultyFileSystem>();
    std::shared_ptr<ScriptedConfirmation> confirmation =
        std::make_shared<ScriptedConfirmation>(true);
};

// Waits for change notifications without timing anything.
class CountingObserver : public PortChangeObserver {
public:
    void photoLibraryDidChange() override {
        std::lock_guard lock(mutex);
        ++count;
        changed.notify_all();
    }
    bool waitFor(int atLeast) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return count >= atLeast; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
};

} // namespace keepsift::foldertest
