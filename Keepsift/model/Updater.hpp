#pragma once

#include <memory>

namespace keepsift::app {

// The software-update controller; created once and kept for the rest of the process.
// Used on the main actor only.
class Updater {
public:
    virtual ~Updater() = default;
    virtual void setAutomaticallyChecksForUpdates(bool checks) = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    // Whether the check-for-updates buttons are shown at all.
    virtual bool canCheckForUpdates() const = 0;
    virtual void checkForUpdates() = 0;
};

// Whether an updater may exist in this build, and the way to start one.
class UpdaterFactory {
public:
    virtual ~UpdaterFactory() = default;
    virtual bool isConfigured() const = 0;
    // An updater that has started checking.
    virtual std::shared_ptr<Updater> make() = 0;
};

} // namespace keepsift::app
