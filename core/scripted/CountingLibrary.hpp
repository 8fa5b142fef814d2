#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/model/PhotoLibrary.hpp"

namespace keepsift {

// Another library as it is, with the photographs whose bytes were read, and the listings,
// counted; a hook runs before each read.
class CountingLibrary : public PhotoLibrary {
public:
    explicit CountingLibrary(std::shared_ptr<PhotoLibrary> base) : base_(std::move(base)) {}

    LibraryStorage storageMode() override { return base_->storageMode(); }
    LibraryAuthorization authorizationStatus() override { return base_->authorizationStatus(); }
    LibraryAuthorization requestAuthorization() override { return base_->requestAuthorization(); }
    std::vector<LibraryAsset> fetchAssets() override;
    std::vector<std::string> unavailable(const std::vector<std::string>& missing) override {
        return base_->unavailable(missing);
    }
    std::optional<std::string> contentDigest(const std::string& id) override;
    void setRejected(const std::vector<std::string>& ids, bool rejected) override {
        base_->setRejected(ids, rejected);
    }
    void removeDepartedRejects() override { base_->removeDepartedRejects(); }
    DeletionReport deleteAssets(const std::vector<std::string>& ids) override {
        return base_->deleteAssets(ids);
    }
    LibraryChangeStream changes() override { return base_->changes(); }

    std::function<void()> beforeReading;
    std::atomic<int> reads = 0;
    std::atomic<int> listings = 0;

private:
    std::shared_ptr<PhotoLibrary> base_;
};

} // namespace keepsift
