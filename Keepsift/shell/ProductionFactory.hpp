#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Keepsift/model/AppModel.hpp"
#include "photos/services/LiveServices.hpp"
#include "platform/library/LibraryChoice.hpp"

namespace keepsift {
class UserDefaults;
}

namespace keepsift::app {

// The production objects behind the model, made in the order the model's start relies on.
// The engine loads the index and journal while it is made, so this runs off the GUI thread;
// the model itself is made from the parts on the main actor.
struct ProductionParts {
    AppModel::Parts parts;
    LiveServices services;
    std::shared_ptr<UserDefaults> defaults; // also keeps the windows' frames
    LibraryChoice library;
};

// The user's defaults file, read once here; the parts keep them.
std::shared_ptr<UserDefaults> standardDefaults();

// `defaults` come from standardDefaults(); `library` is the --library argument, else
// KEEPSIFT_LIBRARY; without one the remembered folder, then the Pictures folder.
// Never fails: storage that cannot be made falls back to memory, a configuration that cannot
// be read to no telemetry.
ProductionParts makeProductionParts(std::shared_ptr<UserDefaults> defaults,
                                    const std::optional<std::string>& library,
                                    PlatformDialogs dialogs, WatcherOptions watcher = {});

// The application-support folder: index, journal, instance lock and storage report.
std::filesystem::path applicationSupportFolder();

} // namespace keepsift::app
