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

    // What stands with the bytes delivered: the file's status where it proves them, and the
    // status of each of the asset's other files as they were read.
    struct ReadProof {
        std::optional<DigestedStatus> status;
        CompanionStatuses companions;
    };
    // The same, completed with its proof. With network access refused, only a resource known
    // to be held elsewhere is refused: one on a drive that cannot tell (FUSE, a network share)
    // is read, as measuring reads it.
    using ProvenCompletion = std::function<void(std::optional<PortError> error, ReadProof proof)>;
    virtual void requestProvenData(const PortAsset& asset, const PortAssetResource& resource,
                                   bool networkAccessAllowed, DataReceived dataReceived,
                                   ProvenCompletion completion) {
        requestData(asset, resource, networkAccessAllowed, std::move(dataReceived),
                    [completion = std::move(completion)](std::optional<PortError> error) {
                        completion(std::move(error), {});
                    });
    }
};

} // namespace keepsift
