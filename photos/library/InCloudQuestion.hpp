#pragma once

#include <optional>

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// Whether the photograph's data is only in the cloud, asked without letting the service
// download anything: false when the data is here, true when the service says it is in the
// cloud, absent when the request gave no answer.
std::optional<bool> isInCloud(PhotoLibraryPort& port, const PortAsset& asset);

// The request options of every question that must not reach the network.
PortImageRequestOptions offlineRequestOptions();

} // namespace keepsift
