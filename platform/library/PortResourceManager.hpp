#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/model/ReviewedBytes.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// The bytes of one resource of an asset, delivered in chunks, as the platform's resource
// manager hands them over. A service that can do this implements it beside its
// PhotoLibraryPort; callers find it with dynamic_cast.
class PortResourceManager {
public:
    using DataReceived = std::function<void(const std::vector<std::uint8_t>& chunk)>;
    // No error: every chunk has been delivered.
    using Completion = std::function<void(std::optional<PortError> error)>;

    virtual ~PortResourceManager() = default;
    // With network access refused a resource that is not on this machine is never opened:
    // the completion reports an error.
    virtual void requestData(const PortAsset& asset, const PortAssetResource& resource,
                             bool networkAccessAllowed, DataReceived dataReceived,
                             Completion completion) = 0;

    // The same, completed with the file's status where it proves the bytes delivered.
    using ProvenCompletion =
        std::function<void(std::optional<PortError> error, std::optional<DigestedStatus> status)>;
    virtual void requestProvenData(const PortAsset& asset, const PortAssetResource& resource,
                                   bool networkAccessAllowed, DataReceived dataReceived,
                                   ProvenCompletion completion) {
        requestData(asset, resource, networkAccessAllowed, std::move(dataReceived),
                    [completion = std::move(completion)](std::optional<PortError> error) {
                        completion(std::move(error), std::nullopt);
                    });
    }
};

} // namespace keepsift
