#pragma once

#include <string>
#include <vector>

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// The platform layer's own questions to the user; the application shows dialogs, tests
// answer from a script.
class ConsentPrompt {
public:
    virtual ~ConsentPrompt() = default;
    // True when the user lets Keepsift read and organise this library folder.
    virtual bool askLibraryConsent(const std::string& libraryPath) = 0;
};

class DeletionConfirmation {
public:
    virtual ~DeletionConfirmation() = default;
    // True when the user confirms moving these photographs to the Trash.
    virtual bool confirmDeletion(const std::vector<PortAsset>& assets) = 0;
};

} // namespace keepsift
