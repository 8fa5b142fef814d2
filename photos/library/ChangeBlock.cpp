#include "photos/library/ChangeBlock.hpp"

#include <utility>

#include "core/support/FirstAnswer.hpp"
#include "photos/library/ServiceError.hpp"

namespace keepsift {
namespace {

using Outcome = std::pair<bool, std::optional<PortError>>;

// The service promises an error with every failure; this stands in when it breaks that.
PortError unexplainedFailure() {
    return {PortError::photosDomain, -1, "the change block failed without an error"};
}

} // namespace

void performChangesAndWait(PhotoLibraryPort& port, PortChangeBlock block) {
    auto [success, error] = FirstAnswer<Outcome>::await([&](auto box) {
        port.performChanges(std::move(block), [box](bool ok, std::optional<PortError> failure) {
            box->resume({ok, std::move(failure)});
        });
    });
    if (!success) throw ServiceError(error.value_or(unexplainedFailure()));
}

} // namespace keepsift
