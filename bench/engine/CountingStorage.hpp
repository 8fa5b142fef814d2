#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

#include "core/storage/FileStorage.hpp"

namespace keepsift::bench {

// Counts whole saves of the index and every byte written, passing everything on.
class CountingStorage : public FileStorage {
public:
    explicit CountingStorage(std::shared_ptr<FileStorage> base) : base_(std::move(base)) {}

    std::optional<Data> read(const std::string& name) const override { return base_->read(name); }
    void write(const Data& data, const std::string& name) override;
    void writeParts(const FileParts& parts, const std::string& name) override;
    void remove(const std::string& name) override { base_->remove(name); }
    std::optional<std::string> unavailability() const override { return base_->unavailability(); }
    int openError(const std::string& name) const override { return base_->openError(name); }
    bool exists(const std::string& name) const override { return base_->exists(name); }
    void move(const std::string& from, const std::string& to) override { base_->move(from, to); }

    void reset() {
        indexSaves = 0;
        bytes = 0;
    }
    std::atomic<int> indexSaves = 0;
    std::atomic<std::size_t> bytes = 0;

private:
    void note(const std::string& name, std::size_t size);
    std::shared_ptr<FileStorage> base_;
};

// The application's own file storage in that folder, counted.
std::shared_ptr<CountingStorage> countedFolderStorage(const std::filesystem::path& folder);

} // namespace keepsift::bench
