#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/model/PhotoLibrary.hpp"

namespace keepsift {

// Hands every call on to the library it wraps, for a test to step in where it needs to.
class ForwardingLibrary : public PhotoLibrary {
public:
    explicit ForwardingLibrary(std::shared_ptr<PhotoLibrary> library)
        : library_(std::move(library)) {}
    LibraryStorage storageMode() override { return library_->storageMode(); }
    LibraryAuthorization authorizationStatus() override { return library_->authorizationStatus(); }
    LibraryAuthorization requestAuthorization() override {
        return library_->requestAuthorization();
    }
    std::vector<LibraryAsset> fetchAssets() override { return library_->fetchAssets(); }
    std::vector<std::string> unavailable(const std::vector<std::string>& missing) override {
        return library_->unavailable(missing);
    }
    std::vector<std::string> present(const std::vector<std::string>& ids) override {
        return library_->present(ids);
    }
    std::vector<LibraryAsset> lookUp(const std::vector<std::string>& ids) override {
        return library_->lookUp(ids);
    }
    std::optional<std::string> contentDigest(const std::string& id) override {
        return library_->contentDigest(id);
    }
    std::optional<DigestRead> readDigest(const std::string& id) override {
        return library_->readDigest(id);
    }
    std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                         bool rejected) override {
        return library_->setRejected(ids, rejected);
    }
    void removeDepartedRejects(const std::vector<std::string>& departed) override {
        library_->removeDepartedRejects(departed);
    }
    DeletionReport deleteAssets(const std::vector<std::string>& ids,
                                const ReviewedContents& reviewed) override {
        return library_->deleteAssets(ids, reviewed);
    }
    LibraryChangeStream changes() override { return library_->changes(); }

private:
    std::shared_ptr<PhotoLibrary> library_;
};

} // namespace keepsift
