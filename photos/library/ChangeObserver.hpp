#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "core/model/LibraryChange.hpp"
#include "core/support/Channel.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// Turns the service's change notifications into library changes: every notification asks
// for a refresh, and a change of the rejects album's membership is reported as well.
class ChangeObserver : public PortChangeObserver {
public:
    // Reads the rejects album's membership, so the first notification reports only what
    // changed since. While the library cannot be read (its folder gone) notifications only ask
    // for a refresh, which says so; the first membership read afterwards is the new baseline.
    ChangeObserver(std::shared_ptr<PhotoLibraryPort> port, Channel<LibraryChange>::Pointer stream);

    void photoLibraryDidChange() override;

private:
    std::shared_ptr<PhotoLibraryPort> port_;
    Channel<LibraryChange>::Pointer stream_;
    std::mutex mutex_;
    std::optional<std::set<std::string>> knownRejects_;
};

} // namespace keepsift
