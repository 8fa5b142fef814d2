#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "core/storage/FileStorage.hpp"

namespace keepsift {

// Files in one folder of the user's data folder ($XDG_DATA_HOME, else ~/.local/share),
// each replaced atomically.
class ApplicationSupportStorage : public FileStorage {
public:
    // Creates the folder with all missing parents; throws std::exception when it cannot.
    explicit ApplicationSupportStorage(std::string_view folderName);
    static ApplicationSupportStorage inDirectory(std::filesystem::path directory);
    // The application's storage, which never fails to be made: while its folder cannot be
    // made or written, unavailability() says why, and each look tries to make it again.
    static std::shared_ptr<ApplicationSupportStorage> whenAvailable(std::string_view folderName);

    // Removes the temporary files that saves killed midway left in this folder: regular files
    // named as a replacement names them. Only while no other instance can be saving there.
    static void removeLeftoverTemporaries(const std::filesystem::path& folder);

    const std::filesystem::path& directory() const { return directory_; }

    // A regular file only, never read through a link or waiting for a pipe in its place.
    std::optional<Data> read(const std::string& name) const override;
    StoredFile readAtMost(const std::string& name, std::size_t limit) const override;
    // Names with a folder part are refused with std::invalid_argument.
    void write(const Data& data, const std::string& name) override;
    void writeParts(const FileParts& parts, const std::string& name) override;
    void remove(const std::string& name) override;
    bool exists(const std::string& name) const override;
    // Renamed in place, so files that cannot be read move too.
    void move(const std::string& from, const std::string& to) override;
    // Makes the folder when missing and writes a small file in it.
    std::optional<std::string> unavailability() const override;
    int openError(const std::string& name) const override;

private:
    struct InDirectory {};
    struct Later {};
    ApplicationSupportStorage(InDirectory, std::filesystem::path directory);
    ApplicationSupportStorage(Later, std::filesystem::path directory)
        : directory_(std::move(directory)) {}
    std::filesystem::path pathOf(const std::string& name) const;

    std::filesystem::path directory_;
};

} // namespace keepsift
