#include <mutex>

#include "core/support/FirstAnswer.hpp"
#include "photos/library/LivePhotoLibrary.hpp"
#include "platform/imaging/Sha256.hpp"
#include "platform/library/PortResourceManager.hpp"

namespace keepsift {
namespace {

// Chunks arrive on the service's threads.
struct Digesting {
    std::mutex mutex;
    Sha256 digest;
    bool empty = true;
};

} // namespace

std::optional<std::string> LivePhotoLibrary::contentDigest(const std::string& id) {
    auto read = readDigest(id);
    if (!read) return std::nullopt;
    return std::move(read->digest);
}

// The primary file's bytes as the service hands them over, never downloaded.
std::optional<DigestRead> LivePhotoLibrary::readDigest(const std::string& id) {
    auto* manager = dynamic_cast<PortResourceManager*>(port_.get());
    if (manager == nullptr) return std::nullopt;
    const auto found = port_->fetchAssetsWithLocalIdentifiers({id});
    if (found.empty() || found.front().resources.empty()) return std::nullopt;
    const PortAsset& asset = found.front();
    auto digesting = std::make_shared<Digesting>();
    return FirstAnswer<std::optional<DigestRead>>::await([&](auto box) {
        manager->requestProvenData(
            asset, asset.resources.front(), false,
            [digesting](const std::vector<std::uint8_t>& chunk) {
                std::lock_guard lock(digesting->mutex);
                digesting->digest.add(chunk);
                digesting->empty = digesting->empty && chunk.empty();
            },
            [digesting, box](std::optional<PortError> error, PortResourceManager::ReadProof proof) {
                std::optional<DigestRead> answer;
                {
                    std::lock_guard lock(digesting->mutex);
                    if (!error && !digesting->empty)
                        if (auto digest = digesting->digest.finish())
                            answer = DigestRead{std::move(*digest), proof.status,
                                                std::move(proof.companions)};
                }
                box->resume(std::move(answer));
            });
    });
}

} // namespace keepsift
