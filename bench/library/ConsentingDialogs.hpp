#pragma once

#include <string>
#include <vector>

#include "platform/library/PlatformDialogs.hpp"

namespace keepsift::bench {

// A user who lets Keepsift read the library and declines every deletion it asks to confirm:
// a benchmark measures, it never deletes through the platform's own dialog.
struct ConsentingDialogs : ConsentPrompt, DeletionConfirmation {
    bool askLibraryConsent(const std::string&) override { return true; }
    bool confirmDeletion(const std::vector<PortAsset>&) override { return false; }
};

} // namespace keepsift::bench
